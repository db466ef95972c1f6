// Transfers on the per-port runner against simulated controllers that pace their bytes at the wire
// speed, printed against what the wire allows, not asserted:
//  send:     every controller emptied and loaded with its cards, all ports at once, then the same
//            send with the ports one after another (the runner's one-queue mode);
//  receive:  one controller read back;
//  test all: every controller tested at once, some of them silent.
// Usage: bench_transfers [--controllers 8] [--cards 500] [--receive 2000] [--silent 3]
#include "installation.h"
#include "simports.h"
#include "transferencias.h"
#include "udorqcolecciontarjeta.h"
#include "vornaframe.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

using namespace kestrum;
using kestrum::link::DORQComunicador;

namespace {

constexpr double WIRE_MS_PER_BYTE = sim::SimController::WIRE_MS_PER_BYTE;

// Bytes of a command frame and of its reply frame on the wire, DLE doubling included.
int wireBytes(const DORQComunicador::Orden& o, quint8 replyCode, const QByteArray& replyData) {
    const auto* d = reinterpret_cast<const std::uint8_t*>(o.datos.constData());
    const auto* r = reinterpret_cast<const std::uint8_t*>(replyData.constData());
    const auto command =
        link::buildFrame(o.destino, link::CONSOLE_ADDRESS, o.comando,
                         std::span<const std::uint8_t>(d, static_cast<std::size_t>(o.datos.size())));
    const auto reply =
        link::buildFrame(link::CONSOLE_ADDRESS, link::CONTROLLER_ADDRESS, replyCode,
                         std::span<const std::uint8_t>(r, static_cast<std::size_t>(replyData.size())));
    return static_cast<int>(command.size() + reply.size());
}

// The pause plus the bytes both ways: what one command costs on its link at the least.
double limitMs(const DORQComunicador::Orden& o, quint8 replyCode, const QByteArray& replyData = {}) {
    return o.pausaMs + wireBytes(o, replyCode, replyData) * WIRE_MS_PER_BYTE;
}

QString code(int controller, int i) {
    return QStringLiteral("%1").arg(static_cast<qint64>(controller) * 100000000 + i, 10, 10,
                                    QLatin1Char('0'));
}

double seconds(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e9;
}

void addController(test::Installation& inst, int cod) {
    inst.sql(QStringLiteral(
                 "INSERT INTO dorqcontrolador(cod,puerto_serie,tipo,descripcion) VALUES(:c,:c,'Null','')"),
             {{"c", cod}});
}

void send(test::Installation& inst, int controllers, int cards) {
    QList<QVariantMap> cardRows;
    QList<QVariantMap> assignmentRows;
    double slowest = 0;
    for (int n = 1; n <= controllers; ++n) {
        addController(inst, n);
        double port = limitMs(DORQComunicador::Orden_Vaciar(), link::ACK);
        for (int i = 0; i < cards; ++i) {
            cardRows << QVariantMap{{"c", code(n, i)}};
            assignmentRows << QVariantMap{{"t", code(n, i)}, {"c", n}};
            port += limitMs(DORQComunicador::Orden_Lote(code(n, i), i + 1 == cards), link::ACK);
        }
        slowest = std::max(slowest, port);
    }
    inst.batch(QStringLiteral("INSERT INTO dorqtarjeta(codigo_tarjeta,usuario) VALUES(:c,-1)"), cardRows);
    inst.batch(QStringLiteral("INSERT INTO dorqcontroladortarjeta VALUES(:t,:c,'N')"), assignmentRows);
    store::DORQSistema& s = inst.open();

    auto run = [&](bool enSerie) {
        ops::EnvioTotal envio(s);
        envio.runner().setEnSerie(enSerie);
        QElapsedTimer t;
        t.start();
        envio.ejecuta();
        const double total = seconds(t);
        const int stored =
            inst.scalar(
                    QStringLiteral("SELECT count(*) FROM dorqcontroladortarjeta WHERE \"_STOREDINHW\"='S'"))
                .toInt();
        if (stored != controllers * cards)
            std::printf("send: only %d of %d cards acknowledged\n", stored, controllers * cards);
        return total;
    };
    const double concurrent = run(false);
    const double sequential = run(true);
    std::printf("send: %d controllers x %d cards: total %.1f s, slowest port's limit %.1f s, ports one after "
                "another %.1f s, concurrent/sequential %.3f, ratio %.3f\n",
                controllers, cards, concurrent, slowest / 1000, sequential, concurrent / sequential,
                concurrent / (slowest / 1000));
    std::fflush(stdout);
    inst.close();
}

void receive(test::Installation& inst, test::SimPorts& sims, int cards) {
    inst.reset();
    addController(inst, 1);
    QStringList memory;
    double limit = limitMs(DORQComunicador::Orden_Testear(), 44, QByteArray(6, '\0'));
    for (int i = 0; i < cards; ++i) {
        memory << code(9, i);
        limit += limitMs(DORQComunicador::Orden_Leer(static_cast<quint16>(i + 1)), 47,
                         *link::Tarjeta_A_BCD(code(9, i)));
    }
    sims.host().with(1, [&](sim::SimController& c) {
        c.setMemory(memory);
        c.setSetup({.state = 2, .lockTime = 5, .openTime = 10, .version = 20});
    });
    store::DORQSistema& s = inst.open();
    ops::RecepcionTotal recepcion(s);
    QElapsedTimer t;
    t.start();
    recepcion.ejecuta();
    const double total = seconds(t);
    const int stored =
        inst.scalar(QStringLiteral("SELECT count(*) FROM dorqcontroladortarjeta WHERE controlador=1"))
            .toInt();
    if (stored != cards)
        std::printf("receive: only %d of %d cards read\n", stored, cards);
    std::printf("receive: 1 controller x %d cards: total %.1f s, limit %.1f s, ratio %.3f\n", cards, total,
                limit / 1000, total / (limit / 1000));
    std::fflush(stdout);
    inst.close();
}

void testAll(test::Installation& inst, test::SimPorts& sims, int controllers, int silent) {
    inst.reset();
    for (int n = 1; n <= controllers; ++n) {
        addController(inst, n);
        sims.host().with(n, [&](sim::SimController& c) { c.setSilent(n > controllers - silent); });
    }
    store::DORQSistema& s = inst.open();
    ops::TestTodos test(s);
    QElapsedTimer t;
    t.start();
    const auto r = test.ejecuta();
    const double total = seconds(t);
    int answered = 0;
    for (const auto& x : r)
        answered += x.info.Ok;
    std::printf("test all: %d controllers of which %d silent (%d answered): %.2f s\n", controllers, silent,
                answered, total);
    std::fflush(stdout);
    inst.close();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption controllersOpt("controllers", "Controllers of the send and the test.", "n", "8");
    const QCommandLineOption cardsOpt("cards", "Cards per controller in the send.", "n", "500");
    const QCommandLineOption receiveOpt("receive", "Cards read back from one controller.", "n", "2000");
    const QCommandLineOption silentOpt("silent", "Silent controllers in the test.", "n", "3");
    parser.addOptions({controllersOpt, cardsOpt, receiveOpt, silentOpt});
    parser.process(app);
    const int controllers = std::max(1, parser.value(controllersOpt).toInt());
    const int cards = std::max(1, parser.value(cardsOpt).toInt());
    const int received = std::max(1, parser.value(receiveOpt).toInt());
    const int silent = std::clamp(parser.value(silentOpt).toInt(), 0, controllers);

    test::Installation inst;
    test::SimPorts sims(controllers);
    for (int n = 1; n <= controllers; ++n)
        sims.host().with(n, [](sim::SimController& c) { c.setPacing(true); });
    send(inst, controllers, cards);
    receive(inst, sims, received);
    testAll(inst, sims, controllers, silent);
    return 0;
}
