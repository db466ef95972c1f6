// Motion JPEG over HTTP: the multipart body cut into its JPEG frames as the bytes arrive. A pure
// class fed with bytes; the network and the decoding sit around it.
#pragma once

#include <QByteArray>
#include <QList>

namespace kestrum::cameras {

class MjpegParser {
public:
    // The boundary of a "multipart/x-mixed-replace; boundary=..." content type (quotes and leading
    // dashes removed); empty when there is none, and the parser then takes it from the first
    // "--" line of the body.
    static QByteArray boundaryFrom(const QByteArray& contentType);

    explicit MjpegParser(const QByteArray& boundary = {}) { reset(boundary); }
    // Starts afresh, as for a new connection.
    void reset(const QByteArray& boundary);
    // The frames completed by `bytes`, in order.
    QList<QByteArray> feed(const QByteArray& bytes);

    // A part larger than this is skipped: a broken or hostile stream must not fill the memory.
    static constexpr qsizetype MAX_FRAME = 16 * 1024 * 1024;
    static constexpr qsizetype MAX_HEADER_LINE = 8 * 1024;

private:
    enum class State { Boundary, Headers, Body };
    // One step of the machine; false when it needs more bytes.
    bool step(QList<QByteArray>& frames);
    bool seekBoundary();
    bool readHeaders();
    bool readBody(QList<QByteArray>& frames);
    void emitFrame(QList<QByteArray>& frames, qsizetype end);
    qsizetype available() const { return buf_.size() - pos_; }

    QByteArray buf_;
    qsizetype pos_ = 0;
    qsizetype searchFrom_ = 0; // where the next search for the boundary resumes
    State state_ = State::Boundary;
    QByteArray token_; // the boundary without its leading dashes
    qint64 length_ = -1;
    bool sawHeader_ = false;
};

} // namespace kestrum::cameras
