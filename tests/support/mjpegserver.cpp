#include "mjpegserver.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTcpSocket>

namespace kestrum::test {

namespace {

constexpr char BOUNDARY[] = "myboundary";

QByteArray encode(const QImage& image) {
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 80);
    return jpeg;
}

// Flat frames of one colour, or a textured scene whose colour dominates and whose pattern moves.
QList<QByteArray> makeFrames(const QColor& colour, QSize size, bool noise) {
    if (!noise) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        return {encode(image)};
    }
    QList<QByteArray> out;
    QRandomGenerator random(colour.rgb());
    for (int f = 0; f < 8; ++f) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        QPainter p(&image);
        for (int i = 0; i < 400; ++i) {
            const QColor c = QColor::fromRgb(random.generate()).lighter(100 + f * 5);
            p.fillRect(random.bounded(size.width()), random.bounded(size.height()), 4 + random.bounded(40),
                       4 + random.bounded(40), c);
        }
        p.end();
        out << encode(image);
    }
    return out;
}

} // namespace

MjpegServer::MjpegServer(const Options& options) : options_(options) {
    connect(&server_, &QTcpServer::newConnection, this, &MjpegServer::accept);
    server_.listen(QHostAddress::LocalHost, options_.port);
    port_ = server_.serverPort();
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(1000 / qMax(1, options_.fps));
    connect(&timer_, &QTimer::timeout, this, &MjpegServer::tick);
    timer_.start();
}

MjpegServer::~MjpegServer() {
    stop();
}

QString MjpegServer::url(const QString& path, bool login) const {
    QString credentials;
    if (login && !options_.user.isEmpty())
        credentials = QString::fromUtf8(options_.user + ':' + options_.password + '@');
    return QStringLiteral("http://") + credentials + QStringLiteral("127.0.0.1:%1%2").arg(port_).arg(path);
}

void MjpegServer::setColour(const QString& path, const QColor& colour) {
    colours_[path] = colour;
    frames_.remove(path);
}

QColor MjpegServer::colour(const QString& path) const {
    return colours_.value(path, Qt::red);
}

void MjpegServer::cutMidFrame() {
    cut_ = true;
}

void MjpegServer::stop() {
    server_.close();
    for (const Stream& s : std::as_const(streams_)) {
        if (s.socket)
            s.socket->abort();
    }
    streams_.clear();
}

bool MjpegServer::resume() {
    return server_.isListening() || server_.listen(QHostAddress::LocalHost, port_);
}

void MjpegServer::accept() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { answer(socket); });
    }
}

void MjpegServer::answer(QTcpSocket* socket) {
    if (socket->property("answered").toBool())
        return;
    QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    if (!request.contains("\r\n\r\n"))
        return;
    socket->setProperty("answered", true);
    const QList<QByteArray> lines = request.split('\n');
    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    const QString path = QString::fromUtf8(first.value(1));
    if (!options_.user.isEmpty()) {
        const QByteArray expected =
            "authorization: basic " + (options_.user + ':' + options_.password).toBase64();
        bool good = false;
        for (const QByteArray& line : lines)
            good = good || line.trimmed().toLower() == expected.toLower();
        if (!good) {
            socket->write("HTTP/1.0 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"camera\"\r\n"
                          "Content-Length: 0\r\n\r\n");
            socket->disconnectFromHost();
            return;
        }
    }
    socket->write(QByteArray("HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=") +
                  BOUNDARY + "\r\nCache-Control: no-cache\r\n\r\n");
    streams_ << Stream{socket, path};
    ++served_;
}

const QList<QByteArray>& MjpegServer::frames(const QString& path) {
    auto it = frames_.find(path);
    if (it == frames_.end())
        it = frames_.insert(path, makeFrames(colour(path), options_.size, options_.noise));
    return *it;
}

QByteArray MjpegServer::part(const QByteArray& jpeg) const {
    QByteArray out = QByteArray("--") + BOUNDARY + "\r\nContent-Type: image/jpeg\r\n";
    if (options_.contentLength)
        out += "Content-Length: " + QByteArray::number(jpeg.size()) + "\r\n";
    out += "\r\n" + jpeg + "\r\n";
    if (options_.extraLineEnds)
        out += "\r\n\r\n";
    return out;
}

void MjpegServer::tick() {
    const bool cut = std::exchange(cut_, false);
    for (auto it = streams_.begin(); it != streams_.end();) {
        if (!it->socket || it->socket->state() != QAbstractSocket::ConnectedState) {
            it = streams_.erase(it);
            continue;
        }
        const QList<QByteArray>& list = frames(it->path);
        const QByteArray bytes = part(list.at(it->frame++ % list.size()));
        if (cut) {
            it->socket->write(bytes.left(bytes.size() / 2));
            it->socket->flush();
            it->socket->disconnectFromHost();
            it = streams_.erase(it);
            continue;
        }
        // A viewer that does not keep up is not sent more than it can take.
        if (it->socket->bytesToWrite() < 4 * bytes.size())
            it->socket->write(bytes);
        ++it;
    }
}

} // namespace kestrum::test
