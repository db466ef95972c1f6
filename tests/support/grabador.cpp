// A process that does nothing but record: it opens an installation, connects its readers and
// registers their events through the journal, as the console does with registering on. Crash
// tests and benchmarks kill it and start it again.
//
//   kestrum_test_grabador INSTALLATION JOURNAL_FOLDER PORT=DEVICE...
//
// It prints "ready" once registering is on, and ends cleanly (events settled, ports closed) on
// SIGTERM.
#include "kerror.h"
#include "portmap.h"
#include "udorqcoleccionincidencia.h"
#include "udorqsistema.h"

#include <QCoreApplication>
#include <QMap>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

using namespace kestrum;

namespace {

int senyal[2] = {-1, -1};

void alTerminar(int) {
    const char c = 1;
    (void)!::write(senyal[1], &c, 1);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: kestrum_test_grabador INSTALLATION JOURNAL_FOLDER PORT=DEVICE...\n");
        return 2;
    }
    QMap<int, QString> puertos;
    for (const QString& a : args.mid(2))
        puertos.insert(a.section(QLatin1Char('='), 0, 0).toInt(), a.section(QLatin1Char('='), 1));
    link::PortMap::setResolver([puertos](int port) { return puertos.value(port); });

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, senyal) != 0)
        return 1;
    QSocketNotifier notifier(senyal[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    std::signal(SIGTERM, alTerminar);

    try {
        store::DORQSistema sistema(args[0], nullptr);
        sistema.Abre();
        sistema.Arranca([&](store::DORQColeccionIncidencia& log) {
            log.setOnError([](const Error& e) { std::fprintf(stderr, "%s\n", qPrintable(e.message())); });
            log.Abre_Diario(args[1]);
            log.Inicia_Registro();
        });
        store::DORQColeccionIncidencia& log = *sistema.Incidencias();
        std::printf("ready\n");
        std::fflush(stdout);
        app.exec();
        log.Detiene_Registro();
        sistema.Cierra();
    } catch (const Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
