#include "mjpegviewer.h"

#include "cameraslog.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPainter>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

Q_LOGGING_CATEGORY(lcCameras, "kestrum.cameras", QtWarningMsg)

namespace kestrum::cameras {

namespace {

// Decoding has threads of its own: the pings' long waits must not hold it up, nor the other way.
QThreadPool& decoders() {
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool;
        p->setMaxThreadCount(qMax(2, QThread::idealThreadCount()));
        return p;
    }();
    return *pool;
}

QImage decodeJpeg(const QByteArray& jpeg) {
    QImage image = QImage::fromData(jpeg, "JPG");
    if (!image.isNull() && image.format() != QImage::Format_RGB32)
        image = image.convertToFormat(QImage::Format_RGB32);
    return image;
}

} // namespace

MjpegViewer::MjpegViewer(QWidget* parent) : QWidget(parent), nam_(new QNetworkAccessManager(this)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(64, 48);
    noSignal_ = QStringLiteral("No signal");
    silence_.setSingleShot(true);
    silence_.setInterval(SILENCE_MS);
    retry_.setSingleShot(true);
    connect(&silence_, &QTimer::timeout, this, [this] {
        qCDebug(lcCameras) << url_ << "silent";
        lose();
    });
    connect(&retry_, &QTimer::timeout, this, &MjpegViewer::connectStream);
    connect(&decoding_, &QFutureWatcher<QImage>::finished, this, &MjpegViewer::onDecoded);
}

MjpegViewer::~MjpegViewer() {
    playing_ = false;
    if (reply_)
        reply_->abort();
}

void MjpegViewer::setURL(const QString& url) {
    url_ = url;
}

void MjpegViewer::setNoSignalText(const QString& text) {
    noSignal_ = text;
    update();
}

void MjpegViewer::Play() {
    if (playing_)
        return;
    playing_ = true;
    retryMs_ = FIRST_RETRY_MS;
    connectStream();
}

void MjpegViewer::Stop() {
    playing_ = false;
    signal_ = false;
    lost_ = false;
    silence_.stop();
    retry_.stop();
    pending_.clear();
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
        reply_->deleteLater();
    }
    update();
}

void MjpegViewer::connectStream() {
    if (!playing_)
        return;
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
        reply_->deleteLater();
    }
    QNetworkRequest request{QUrl(url_)};
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setTransferTimeout(0);
    parser_.reset({});
    reply_ = nam_->get(request);
    connect(reply_, &QNetworkReply::metaDataChanged, this, [this] {
        parser_.reset(
            MjpegParser::boundaryFrom(reply_->header(QNetworkRequest::ContentTypeHeader).toByteArray()));
    });
    connect(reply_, &QNetworkReply::readyRead, this, &MjpegViewer::onReadyRead);
    connect(reply_, &QNetworkReply::finished, this, &MjpegViewer::onFinished);
    silence_.start();
    qCDebug(lcCameras) << url_ << "connecting";
}

void MjpegViewer::onReadyRead() {
    if (!reply_)
        return;
    const QList<QByteArray> frames = parser_.feed(reply_->readAll());
    if (frames.isEmpty())
        return;
    silence_.start();
    retryMs_ = FIRST_RETRY_MS;
    signal_ = true;
    // Only the newest frame matters: one behind it is never drawn.
    decode(frames.last());
}

// The camera closed the stream or the connection failed.
void MjpegViewer::onFinished() {
    if (!reply_ || sender() != reply_)
        return;
    qCDebug(lcCameras) << url_ << "stream ended:" << reply_->errorString();
    reply_->deleteLater();
    reply_.clear();
    lose();
}

void MjpegViewer::lose() {
    silence_.stop();
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
        reply_->deleteLater();
    }
    const bool had = signal_ || !lost_;
    signal_ = false;
    lost_ = true;
    update();
    if (had)
        emit signalLost();
    if (!playing_)
        return;
    retry_.start(retryMs_);
    qCDebug(lcCameras) << url_ << "called again in" << retryMs_ << "ms";
    retryMs_ = qMin(retryMs_ * 2, MAX_RETRY_MS);
}

// A view nobody can see is not decoded: hidden, or covered by the camera in front of it.
bool MjpegViewer::seen() const {
    return isVisible() && !visibleRegion().isEmpty();
}

void MjpegViewer::decode(const QByteArray& jpeg) {
    if (!seen())
        return;
    if (decoding_.isRunning()) {
        pending_ = jpeg;
        return;
    }
    decoding_.setFuture(QtConcurrent::run(&decoders(), decodeJpeg, jpeg));
}

void MjpegViewer::onDecoded() {
    const QImage image = decoding_.result();
    if (!pending_.isEmpty())
        decode(std::exchange(pending_, {}));
    if (image.isNull() || !playing_) {
        qCDebug(lcCameras) << url_ << "frame not decoded";
        return;
    }
    image_ = image;
    lost_ = false;
    ++shown_;
    update();
    emit frameShown();
}

void MjpegViewer::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (!image_.isNull()) {
        const QSize size = image_.size().scaled(this->size(), Qt::KeepAspectRatio);
        QRect target(QPoint(), size);
        target.moveCenter(rect().center());
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(target, image_);
    }
    if (!lost_)
        return;
    p.fillRect(rect(), QColor(0, 0, 0, 110));
    QFont f = font();
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, noSignal_);
}

} // namespace kestrum::cameras
