// Kestrum: the console. Creates the windows and runs the event loop.
#include "F_Login_APP.h"
#include "arranque.h"
#include "consola.h"
#include "errores.h"
#include "signalroute.h"

#include <QApplication>
#include <cstdio>
#include <optional>

namespace {

// A console that cannot start says why, on standard error and in the error box.
int fatal(const QString& message) {
    std::fprintf(stderr, "kestrum: %s\n", qPrintable(message));
    std::fflush(stderr);
    kestrum::ui::Muestra_Error(message);
    return 1;
}

const char* const USAGE =
    "usage: kestrum [--help] [--version]\n"
    "The door access console. Its settings, language texts and databases are in\n"
    "$XDG_DATA_HOME/kestrum (normally ~/.local/share/kestrum); a first start makes them, with the\n"
    "login admin / admin. Qt's own options (-platform, -style...) are taken too.\n"
    "Exit status: 0 closed normally, 1 the console could not start, 2 wrong usage.\n";

// --help and --version answer before any window or display is needed; other options are an error.
std::optional<int> opciones(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if (a == "--help" || a == "-h") {
            std::fputs(USAGE, stdout);
            return 0;
        }
        if (a == "--version") {
            std::printf("kestrum %s\n", KESTRUM_VERSION);
            return 0;
        }
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    if (const std::optional<int> hecho = opciones(argc, argv))
        return *hecho;
    QApplication app(argc, argv);
    // What Qt did not take is not ours either.
    for (const QString& a : app.arguments().mid(1)) {
        std::fprintf(stderr, "kestrum: unknown argument: %s\n%s", qPrintable(a), USAGE);
        return 2;
    }
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
