// kestrum-link: talks to one door controller from the command line, through the same
// communicator as the console, so that an installer can check a port and a controller.
#include "kerror.h"
#include "udorqcomunicador.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QTimer>
#include <cstdio>
#include <optional>

using namespace kestrum::link;

namespace {

enum Exit { Answered = 0, NoAnswer = 1, Usage = 2 };

const char* const USAGE =
    "usage: kestrum-link [--trace] DEVICE COMMAND [ARGS]\n"
    "DEVICE: a device path (/dev/ttyUSB0) or COM<n> (mapped as the console maps port n)\n"
    "commands:\n"
    "  test                 test the controller\n"
    "  times LOCK OPEN      set the door lock (1..99) and open (0..99) times\n"
    "  master               master card\n"
    "  send CARD            store a card\n"
    "  batch CARD LAST      store a card of a run; LAST is 1 on the last card, else 0\n"
    "  erase CARD           delete a card\n"
    "  empty                delete every card\n"
    "  read POSITION        read the card stored at a position (from 1)\n"
    "  listen SECONDS       print the events the controller reports\n";

void out(const QString& line) {
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

int usage(const QString& why = {}) {
    if (!why.isEmpty())
        std::fprintf(stderr, "kestrum-link: %s\n", qPrintable(why));
    std::fputs(USAGE, stderr);
    return Usage;
}

std::optional<int> number(const QString& text, int min, int max) {
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < min || n > max)
        return std::nullopt;
    return n;
}

// The port failed under a command: it ends unanswered, and the reason goes to standard error.
void lost(const QString& message) {
    std::fprintf(stderr, "kestrum-link: %s\n", qPrintable(message));
}

int okLine(bool ok) {
    out(QStringLiteral("ok=%1").arg(ok ? 1 : 0));
    return ok ? Answered : NoAnswer;
}

int test(DORQComunicador& c) {
    TTest_Informacion info;
    c.Testear(info);
    out(QStringLiteral("Ok=%1").arg(info.Ok));
    out(QStringLiteral("Estado=%1").arg(info.Estado));
    out(QStringLiteral("T_Abrepuertas=%1").arg(info.T_Abrepuertas));
    out(QStringLiteral("T_Puerta_Abierta=%1").arg(info.T_Puerta_Abierta));
    out(QStringLiteral("Version=%1").arg(info.Version));
    out(QStringLiteral("Num_Tarjetas=%1").arg(info.Num_Tarjetas));
    return info.Ok == 1 ? Answered : NoAnswer;
}

int listen(DORQComunicador& c, int seconds) {
    int status = Answered;
    c.setOnPuertoPerdido([&status](const QString& message) {
        lost(message);
        status = NoAnswer;
        QCoreApplication::quit();
    });
    c.setOnIncidencia([](DORQComunicador*, const TEventoInformacion& e) {
        out(QStringLiteral("Tipo=%1 Codigo_Acceso=%2 Codigo_Puerta=%3 Tarjeta_Hex=%4 Puerto=%5")
                .arg(e.Tipo)
                .arg(e.Codigo_Acceso, e.Codigo_Puerta, e.Tarjeta_Hex, e.Puerto));
    });
    c.Activar_Incidencias();
    QTimer::singleShot(seconds * 1000, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    c.Desactivar_Incidencias();
    return status;
}

int run(DORQComunicador& c, const QString& command, const QStringList& args) {
    auto need = [&](int n) { return args.size() == n; };
    if (command == QLatin1String("test") && need(0))
        return test(c);
    if (command == QLatin1String("times") && need(2)) {
        const auto lock = number(args[0], 1, 99);
        const auto open = number(args[1], 0, 99);
        if (!lock || !open)
            return usage(QStringLiteral("LOCK is 1..99 and OPEN is 0..99"));
        return okLine(c.Fijar_Tiempos(*lock, *open));
    }
    if (command == QLatin1String("master") && need(0))
        return okLine(c.Tarjeta_Master());
    if (command == QLatin1String("send") && need(1))
        return okLine(c.Enviar_Tarjeta(args[0]));
    if (command == QLatin1String("batch") && need(2)) {
        const auto last = number(args[1], 0, 1);
        if (!last)
            return usage(QStringLiteral("LAST is 0 or 1"));
        return okLine(c.Enviar_Tarjeta_Lote(args[0], *last == 1));
    }
    if (command == QLatin1String("erase") && need(1))
        return okLine(c.Borrar_Tarjeta(args[0]));
    if (command == QLatin1String("empty") && need(0))
        return okLine(c.Vaciar_Tarjetas());
    if (command == QLatin1String("read") && need(1)) {
        const auto position = number(args[0], 1, 65535);
        if (!position)
            return usage(QStringLiteral("POSITION is 1..65535"));
        const QString card = c.Leer_Tarjeta(static_cast<quint16>(*position));
        out(QStringLiteral("card=%1").arg(card));
        return card.isEmpty() ? NoAnswer : Answered;
    }
    if (command == QLatin1String("listen") && need(1)) {
        const auto seconds = number(args[0], 1, 86400);
        if (!seconds)
            return usage(QStringLiteral("SECONDS is 1..86400"));
        return listen(c, *seconds);
    }
    return usage(QStringLiteral("unknown command or wrong arguments: %1").arg(command));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() == 1 &&
        (args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h"))) {
        std::fputs(USAGE, stdout);
        return 0;
    }
    if (args.size() == 1 && args.first() == QLatin1String("--version")) {
        out(QStringLiteral("kestrum-link %1").arg(QStringLiteral(KESTRUM_VERSION)));
        return 0;
    }
    const bool trace = !args.isEmpty() && args.first() == QLatin1String("--trace");
    if (trace)
        args.removeFirst();
    if (args.size() < 2 || args.first().startsWith(QLatin1String("-")))
        return usage();
    QString device = args.takeFirst();
    const QString command = args.takeFirst();

    // COM<n> goes through the port mapping, as the console's port numbers do.
    static const QRegularExpression com(QStringLiteral("^COM(\\d+)$"),
                                        QRegularExpression::CaseInsensitiveOption);
    if (const auto m = com.match(device); m.hasMatch())
        device = m.captured(1);

    DORQComunicador c;
    if (trace) {
        c.link().setTrace([](bool sent, const QByteArray& bytes) {
            std::fprintf(stderr, "%s %s\n", sent ? ">" : "<", bytes.toHex(' ').toUpper().constData());
        });
    }
    c.Fijar_Puerto(device);
    c.setOnPuertoPerdido(lost);
    try {
        c.Conectar();
        c.Fijar_Conectado(true);
    } catch (const kestrum::Error& e) {
        std::fprintf(stderr, "kestrum-link: %s\n", qPrintable(e.message()));
        return Usage;
    }
    return run(c, command, args);
}
