// Four local cameras at 640x480 and 15 frames per second in the camera window's grid: frames shown
// per second by each viewer and the process's CPU share (the cameras are served from this process,
// from frames encoded beforehand, so their share is small). Usage: bench_cameras [seconds]
#include "UF_Camera_Control.h"
#include "mjpegserver.h"
#include "mjpegviewer.h"
#include "tempdataroot.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>

using namespace kestrum;

namespace {

class Echo : public cameras::Pinger {
public:
    void ping(const QString&, QObject* context,
              std::function<void(const cameras::PingReply&)> done) override {
        QTimer::singleShot(0, context, [done] { done({cameras::PingReply::Echo, {}, false}); });
    }
};

double cpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    test::TempDataRoot root;
    test::MjpegServer::Options options;
    options.size = QSize(640, 480);
    options.fps = 15;
    options.noise = true;
    test::MjpegServer server(options);
    QByteArray settings;
    for (int n = 1; n <= 4; ++n)
        settings += QStringLiteral("[%1]\ncamara_desc=Camera %1\ncamara_MAC=%2\n")
                        .arg(n)
                        .arg(server.url(QStringLiteral("/cam%1").arg(n)))
                        .toUtf8();
    root.write(QStringLiteral("KESTRUM20.INI"), settings);

    ui::F_Camera_Control window;
    window.setPinger(std::make_shared<Echo>());
    window.FormCreate();
    window.resize(1100, 760);
    window.show();
    window.SpeedButton4Click();
    wait(2000); // connected and warm

    quint64 before[4];
    for (int k = 0; k < 4; ++k)
        before[k] = window.AXIS(5 + k)->framesShown();
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    wait(seconds * 1000);
    const double elapsed = wall.elapsed() / 1000.0;
    const double cpu = cpuSeconds() - cpu0;

    std::printf("four 640x480 streams at %d fps, grid of %dx%d viewers, %.1f s\n", options.fps,
                window.AXIS(5)->width(), window.AXIS(5)->height(), elapsed);
    for (int k = 0; k < 4; ++k)
        std::printf("  viewer %d: %.1f frames shown per second\n", 5 + k,
                    (window.AXIS(5 + k)->framesShown() - before[k]) / elapsed);
    std::printf("  process CPU: %.1f%% of one core (%d cores)\n", 100.0 * cpu / elapsed,
                QThread::idealThreadCount());
    window.close();
    return 0;
}
