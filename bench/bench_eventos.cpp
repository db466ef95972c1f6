// Event bursts with registering on, printed, not asserted: 8 simulated controllers, each sending 200
// (or the number given)
// card events as fast as the wire allows (pacing on), first with the log taking every write, then
// with the log refusing writes for the middle of the burst. Printed: events acknowledged to the
// controllers against events in the log (goal: equal), and the time from a frame's arrival (the
// console's acknowledgement going out) to its row in the event list, median and worst.
#include "UF_Main.h"
#include "consolefixture.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcontrolador.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

using namespace kestrum;
using kestrum::test::ConsoleFixture;

namespace {

constexpr int CONTROLLERS = 8;
// Events per controller and burst: 200, or the first argument.
int EVENTS = 200;

struct Burst {
    int acknowledged = 0;
    int logged = 0;
    std::vector<double> latencies; // ms
    double seconds = 0;
};

int acks(ConsoleFixture& f) {
    int n = 0;
    for (int c = 1; c <= CONTROLLERS; ++c)
        n += f.host().with(c, [](sim::SimController& s) { return s.acksReceived(); });
    return n;
}

void wait(const std::function<bool()>& done, int ms) {
    if (!QTest::qWaitFor(done, ms))
        std::printf("gave up waiting after %d ms\n", ms);
}

Burst burst(ConsoleFixture& f, int first, bool outage) {
    QElapsedTimer clock;
    clock.start();
    // Per port: when each acknowledgement went out, and when each of its rows appeared.
    std::map<QString, std::vector<qint64>> arrivals;
    std::map<QString, std::vector<qint64>> rows;
    std::map<QString, QString> portOf; // controller description -> port
    auto* controllers = f.sistema().Controladores();
    for (int i = 0; i < controllers->Cuenta(); ++i) {
        const auto c = controllers->Controlador(i);
        const QString port = QVariant(c->puerto_serie()).toString();
        portOf[c->descripcion()] = port;
        c->Comunicador()->link().setTrace([&arrivals, &clock, port](bool out, const QByteArray& bytes) {
            if (out && bytes == QByteArray(1, '\x06'))
                arrivals[port].push_back(clock.nsecsElapsed());
        });
    }
    ui::ModeloLista& list = f.list("Lista_Incidencias");
    const auto conn =
        QObject::connect(&list, &QAbstractItemModel::rowsInserted, [&](const QModelIndex&, int row, int) {
            rows[portOf[list.fila(row).celdas.value(2)]].push_back(clock.nsecsElapsed());
        });
    const int acksBefore = acks(f);
    const QVariant loggedBefore = f.scalar(QStringLiteral("SELECT COUNT(*) FROM DORQINCIDENCIA"));
    for (int c = 1; c <= CONTROLLERS; ++c)
        f.host().with(c, [&](sim::SimController& s) {
            for (int e = 0; e < EVENTS; ++e)
                s.presentCard(QString::number(first + c * 1000 + e));
        });
    const int total = CONTROLLERS * EVENTS;
    if (outage) {
        wait([&] { return acks(f) - acksBefore >= total / 4; }, 60000);
        f.sql(QStringLiteral(
            "CREATE TRIGGER T_BENCH FOR DORQINCIDENCIA BEFORE INSERT AS BEGIN EXCEPTION E_BENCH; END"));
        wait([&] { return acks(f) - acksBefore >= 3 * total / 4; }, 60000);
        f.sql(QStringLiteral("DROP TRIGGER T_BENCH"));
    }
    const auto logged = [&] {
        return f.scalar(QStringLiteral("SELECT COUNT(*) FROM DORQINCIDENCIA")).toInt() - loggedBefore.toInt();
    };
    wait([&] { return acks(f) - acksBefore == total && logged() == total; }, 120000);
    Burst b;
    b.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    QTest::qWait(500); // anything late would show now
    b.acknowledged = acks(f) - acksBefore;
    b.logged = logged();
    QObject::disconnect(conn);
    for (auto& [port, times] : arrivals) {
        const auto& shown = rows[port];
        for (std::size_t k = 0; k < std::min(times.size(), shown.size()); ++k)
            b.latencies.push_back(static_cast<double>(shown[k] - times[k]) / 1e6);
    }
    for (int i = 0; i < controllers->Cuenta(); ++i)
        controllers->Controlador(i)->Comunicador()->link().setTrace({});
    std::sort(b.latencies.begin(), b.latencies.end());
    return b;
}

void print(const char* name, const Burst& b) {
    const double median = b.latencies.empty() ? 0 : b.latencies[b.latencies.size() / 2];
    const double worst = b.latencies.empty() ? 0 : b.latencies.back();
    std::printf("%s: %d events acknowledged, %d in the log (%s) in %.1f s; frame to row: median %.1f ms, "
                "worst %.1f ms over %zu rows\n",
                name, b.acknowledged, b.logged, b.acknowledged == b.logged ? "equal" : "DIFFERENT", b.seconds,
                median, worst, b.latencies.size());
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc > 1)
        EVENTS = std::max(1, QString::fromLocal8Bit(argv[1]).toInt());
    ConsoleFixture f(CONTROLLERS);
    for (int c = 1; c <= CONTROLLERS; ++c)
        f.controller(c, QStringLiteral("Door %1").arg(c));
    f.sql(QStringLiteral("CREATE EXCEPTION E_BENCH 'the log takes no events now'"));
    for (int c = 1; c <= CONTROLLERS; ++c)
        f.host().with(c, [](sim::SimController& s) { s.setPacing(true); });
    f.start();
    f.click("I_PLAY_OFF");
    print("burst, log writable", burst(f, 10000000, false));
    print("burst, log refusing the middle half", burst(f, 20000000, true));
    return 0;
}
