// A Motion JPEG camera on 127.0.0.1 for tests, benchmarks and trying the camera window by hand:
// each path streams frames of its own colour at a steady rate, with or without Content-Length,
// optionally behind HTTP basic authentication, and can cut its streams in the middle of a frame.
#pragma once

#include <QColor>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QSize>
#include <QTcpServer>
#include <QTimer>

class QTcpSocket;

namespace kestrum::test {

class MjpegServer : public QObject {
    Q_OBJECT
public:
    struct Options {
        bool contentLength = true;
        bool extraLineEnds = false; // blank lines between parts, as some cameras send
        QByteArray user;            // empty: no authentication asked
        QByteArray password;
        int fps = 15;
        QSize size{64, 48};
        bool noise = false; // textured frames (about 60 KB each at 640x480) instead of flat ones
        quint16 port = 0;   // 0: any free port
    };

    explicit MjpegServer(const Options& options);
    MjpegServer() : MjpegServer(Options{}) {}
    ~MjpegServer() override;

    quint16 port() const { return port_; }
    // The video address of `path`, with the credentials when `login` is set.
    QString url(const QString& path = QStringLiteral("/video"), bool login = true) const;
    void setColour(const QString& path, const QColor& colour);
    QColor colour(const QString& path) const;
    // The next frame of every open stream stops halfway and the connection closes.
    void cutMidFrame();
    // Stops answering (the camera switched off) or starts again on the same port.
    void stop();
    bool resume();
    int streamsServed() const { return served_; }
    int openStreams() const { return streams_.size(); }

private:
    struct Stream {
        QPointer<QTcpSocket> socket;
        QString path;
        int frame = 0;
    };
    void accept();
    void answer(QTcpSocket* socket);
    void tick();
    const QList<QByteArray>& frames(const QString& path);
    QByteArray part(const QByteArray& jpeg) const;

    Options options_;
    QTcpServer server_;
    quint16 port_ = 0;
    QTimer timer_;
    QList<Stream> streams_;
    QHash<QString, QColor> colours_;
    QHash<QString, QList<QByteArray>> frames_;
    bool cut_ = false;
    int served_ = 0;
};

} // namespace kestrum::test
