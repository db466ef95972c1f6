#include "mjpegparser.h"

#include "cameraslog.h"

namespace kestrum::cameras {

namespace {

QByteArray withoutDashes(QByteArray b) {
    qsizetype i = 0;
    while (i < b.size() && b[i] == '-')
        ++i;
    return i == b.size() ? b : b.mid(i);
}

bool isJpegStart(const QByteArray& b, qsizetype at) {
    return at + 1 < b.size() && static_cast<uchar>(b[at]) == 0xFF && static_cast<uchar>(b[at + 1]) == 0xD8;
}

} // namespace

QByteArray MjpegParser::boundaryFrom(const QByteArray& contentType) {
    for (const QByteArray& part : contentType.split(';')) {
        const QByteArray p = part.trimmed();
        if (!p.toLower().startsWith("boundary="))
            continue;
        QByteArray value = p.mid(9).trimmed();
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        return withoutDashes(value);
    }
    return {};
}

void MjpegParser::reset(const QByteArray& boundary) {
    buf_.clear();
    pos_ = 0;
    searchFrom_ = 0;
    state_ = State::Boundary;
    token_ = withoutDashes(boundary);
    length_ = -1;
    sawHeader_ = false;
}

QList<QByteArray> MjpegParser::feed(const QByteArray& bytes) {
    buf_.append(bytes);
    QList<QByteArray> frames;
    while (step(frames)) {
    }
    // Consumed bytes go once per feed, not once per part.
    if (pos_ > 0) {
        buf_.remove(0, pos_);
        searchFrom_ = qMax<qsizetype>(0, searchFrom_ - pos_);
        pos_ = 0;
    }
    return frames;
}

bool MjpegParser::step(QList<QByteArray>& frames) {
    switch (state_) {
    case State::Boundary:
        return seekBoundary();
    case State::Headers:
        return readHeaders();
    case State::Body:
        return readBody(frames);
    }
    return false;
}

// Up to the end of the next boundary line. Without a known boundary, the first "--" line names it.
bool MjpegParser::seekBoundary() {
    if (token_.isEmpty()) {
        const qsizetype dashes = buf_.indexOf("--", pos_);
        const qsizetype eol = dashes < 0 ? -1 : buf_.indexOf('\n', dashes);
        if (eol < 0) {
            if (available() > MAX_HEADER_LINE)
                pos_ = buf_.size() - 1;
            return false;
        }
        token_ = withoutDashes(buf_.mid(dashes, eol - dashes).trimmed());
        qCDebug(lcCameras) << "boundary taken from the body:" << token_;
    }
    const qsizetype at = buf_.indexOf(token_, qMax(pos_, searchFrom_));
    if (at < 0) {
        // Keep a tail that may hold the start of the boundary.
        searchFrom_ = qMax(pos_, buf_.size() - token_.size());
        pos_ = searchFrom_;
        return false;
    }
    const qsizetype eol = buf_.indexOf('\n', at + token_.size());
    if (eol < 0)
        return false;
    pos_ = eol + 1;
    searchFrom_ = pos_;
    state_ = State::Headers;
    length_ = -1;
    sawHeader_ = false;
    return true;
}

// Header lines up to the blank line. Blank lines before the first header are extra line ends some
// cameras send; a part that starts straight with the JPEG has no headers.
bool MjpegParser::readHeaders() {
    if (!sawHeader_) {
        while (pos_ < buf_.size() && (buf_[pos_] == '\r' || buf_[pos_] == '\n'))
            ++pos_;
        if (isJpegStart(buf_, pos_)) {
            state_ = State::Body;
            searchFrom_ = pos_;
            return true;
        }
    }
    const qsizetype eol = buf_.indexOf('\n', pos_);
    if (eol < 0) {
        if (available() > MAX_HEADER_LINE)
            state_ = State::Boundary;
        return state_ == State::Boundary;
    }
    const QByteArray line = buf_.mid(pos_, eol - pos_).trimmed();
    pos_ = eol + 1;
    if (line.isEmpty()) {
        state_ = State::Body;
        searchFrom_ = pos_;
        return true;
    }
    if (line.contains(token_) && line.startsWith("--")) {
        // An empty part: the next one begins.
        sawHeader_ = false;
        length_ = -1;
        return true;
    }
    sawHeader_ = true;
    if (line.toLower().startsWith("content-length:")) {
        bool ok = false;
        const qint64 n = line.mid(15).trimmed().toLongLong(&ok);
        length_ = ok && n >= 0 ? n : -1;
    }
    return true;
}

bool MjpegParser::readBody(QList<QByteArray>& frames) {
    if (length_ > MAX_FRAME) {
        qCDebug(lcCameras) << "part of" << length_ << "bytes skipped";
        state_ = State::Boundary;
        return true;
    }
    if (length_ >= 0) {
        if (available() < length_)
            return false;
        emitFrame(frames, pos_ + length_);
        return true;
    }
    const qsizetype at = buf_.indexOf(token_, qMax(pos_, searchFrom_));
    if (at < 0) {
        searchFrom_ = qMax(pos_, buf_.size() - token_.size());
        if (available() > MAX_FRAME) {
            qCDebug(lcCameras) << "part without end skipped";
            pos_ = searchFrom_;
            state_ = State::Boundary;
        }
        return false;
    }
    // The part ends before the dashes and the line end that lead to the boundary.
    qsizetype end = at;
    while (end > pos_ && buf_[end - 1] == '-')
        --end;
    while (end > pos_ && (buf_[end - 1] == '\n' || buf_[end - 1] == '\r'))
        --end;
    emitFrame(frames, end);
    pos_ = at; // the boundary is read again by the next step
    searchFrom_ = at;
    return true;
}

void MjpegParser::emitFrame(QList<QByteArray>& frames, qsizetype end) {
    if (end > pos_)
        frames << buf_.mid(pos_, end - pos_);
    pos_ = end;
    searchFrom_ = end;
    state_ = State::Boundary;
}

} // namespace kestrum::cameras
