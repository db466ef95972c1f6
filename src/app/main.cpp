// Kestrum: the console. Creates the windows and runs the event loop.
#include "F_Login_APP.h"
#include "arranque.h"
#include "consola.h"
#include "errores.h"
#include "signalroute.h"

#include <QApplication>
#include <cstdio>

namespace {

// A console that cannot start says why, on standard error and in the error box.
int fatal(const QString& message) {
    std::fprintf(stderr, "kestrum: %s\n", qPrintable(message));
    std::fflush(stderr);
    kestrum::ui::Muestra_Error(message);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kestrum"));
    QApplication::setApplicationDisplayName(QStringLiteral("Kestrum"));
    QApplication::setQuitOnLastWindowClosed(false);

    using namespace kestrum::ui;
    std::unique_ptr<Ventanas> windows;
    bool closing = false;
    SignalRoute& route = SignalRoute::instance();
    route.install();
    // A signal closes the console as Exit does; one that comes during the start (a question the
    // start asks) ends the question, and the console closes once its windows exist.
    QObject::connect(&route, &SignalRoute::received, &app, [&windows, &closing] {
        closing = true;
        alRecibirSenyal(windows.get());
    });

    try {
        windows = creaVentanas();
    } catch (const kestrum::Error& e) {
        return fatal(e.message());
    } catch (const std::exception& e) {
        return fatal(QString::fromLocal8Bit(e.what()));
    }
    // The database engine, loaded by now, put handlers of its own in place of ours.
    route.install();
    int result = 0;
    if (closing) {
        alRecibirSenyal(windows.get());
    } else {
        windows->login->show();
        result = QApplication::exec();
    }
    windows.reset();
    Consola::reset();
    return result;
}
