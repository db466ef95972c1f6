// A live view of one camera: plays the Motion JPEG stream at its video address, drawn scaled with
// its aspect kept. A camera that stops sending shows "no signal" over its last frame and is called
// again after a delay that grows while it stays away.
#pragma once

#include "mjpegparser.h"

#include <QFutureWatcher>
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QWidget>

class QNetworkAccessManager;
class QNetworkReply;

namespace kestrum::cameras {

class MjpegViewer : public QWidget {
    Q_OBJECT
public:
    explicit MjpegViewer(QWidget* parent = nullptr);
    ~MjpegViewer() override;

    // The video address; user:password@ in it answers the camera's authentication.
    void setURL(const QString& url);
    QString URL() const { return url_; }
    void Play();
    void Stop();

    bool playing() const { return playing_; }
    // Frames arrive; false before the first one and while the camera is away.
    bool hasSignal() const { return signal_; }
    const QImage& lastFrame() const { return image_; }
    quint64 framesShown() const { return shown_; }
    void setNoSignalText(const QString& text);

    // A camera silent this long counts as away.
    static constexpr int SILENCE_MS = 4000;
    static constexpr int FIRST_RETRY_MS = 500;
    static constexpr int MAX_RETRY_MS = 30000;

signals:
    void frameShown();
    void signalLost();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void connectStream();
    void onReadyRead();
    void onFinished();
    void lose();
    void decode(const QByteArray& jpeg);
    void onDecoded();
    bool seen() const;

    QString url_;
    QNetworkAccessManager* nam_;
    QPointer<QNetworkReply> reply_;
    MjpegParser parser_;
    QTimer silence_;
    QTimer retry_;
    int retryMs_ = FIRST_RETRY_MS;
    QFutureWatcher<QImage> decoding_;
    QByteArray pending_; // the newest frame that arrived while another was decoding
    QImage image_;
    QString noSignal_;
    bool playing_ = false;
    bool signal_ = false;
    bool lost_ = false; // shows "no signal"
    quint64 shown_ = 0;
};

} // namespace kestrum::cameras
