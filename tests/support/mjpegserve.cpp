// Serves Motion JPEG on 127.0.0.1 for trying the camera window by hand: prints one video address
// per camera and runs until interrupted. Usage: mjpeg_test_server [cameras] [width height] [port]
#include "mjpegserver.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv) {
    // It draws its frames in memory: no display needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int cameras = args.value(1, QStringLiteral("4")).toInt();
    kestrum::test::MjpegServer::Options options;
    options.noise = true;
    options.port = static_cast<quint16>(args.value(4, QStringLiteral("0")).toUInt());
    options.size =
        QSize(args.value(2, QStringLiteral("640")).toInt(), args.value(3, QStringLiteral("480")).toInt());
    kestrum::test::MjpegServer server(options);
    const QColor colours[] = {Qt::red, Qt::darkGreen, Qt::blue, Qt::darkYellow};
    for (int n = 1; n <= cameras; ++n) {
        const QString path = QStringLiteral("/cam%1").arg(n);
        server.setColour(path, colours[(n - 1) % 4]);
        std::printf("%s\n", qPrintable(server.url(path)));
    }
    std::fflush(stdout);
    return app.exec();
}
