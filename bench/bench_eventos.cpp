// Event bursts with registering on, printed, not asserted: 8 simulated controllers, each sending 200
// (or the number given) card events as fast as the wire allows (pacing on): with the log taking
// every write; with the log refusing writes for the middle of the burst; and with a recorder
// process killed (SIGKILL) at a random moment of the burst and started again. Printed: events
// acknowledged to the controllers against events in the log and duplicates (goal: equal, none),
// the time from a frame's last byte to its acknowledgement as the controller saw it, and from the
// acknowledgement going out to the event's row in the list, median and worst.
#include "UF_Main.h"
#include "consolefixture.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcontrolador.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
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
    int duplicates = 0;
    int keptUnacknowledged = 0;       // in the log, but the reader gave up on its ACK
    std::vector<double> latencies;    // ms, ACK to list row
    std::vector<double> ackLatencies; // ms, frame to ACK
    double seconds = 0;
};

// Per controller, what it saw since `from` (counts of events acknowledged and given up before).
struct Seen {
    std::map<QString, int> acknowledged, dropped;
    std::vector<double> ackLatencies;
};

Seen seen(ConsoleFixture& f, const std::map<int, std::pair<std::size_t, std::size_t>>& from) {
    Seen s;
    for (int c = 1; c <= CONTROLLERS; ++c)
        f.host().with(c, [&](sim::SimController& sc) {
            const auto [a0, d0] = from.count(c) ? from.at(c) : std::pair<std::size_t, std::size_t>{0, 0};
            for (std::size_t i = a0; i < sc.eventsAcknowledged().size(); ++i) {
                ++s.acknowledged[sim::SimController::cardOf(sc.eventsAcknowledged()[i])];
                s.ackLatencies.push_back(sc.ackLatenciesMs()[i]);
            }
            for (std::size_t i = d0; i < sc.eventsDropped().size(); ++i)
                ++s.dropped[sim::SimController::cardOf(sc.eventsDropped()[i])];
        });
    return s;
}

std::map<int, std::pair<std::size_t, std::size_t>> marks(ConsoleFixture& f) {
    std::map<int, std::pair<std::size_t, std::size_t>> m;
    for (int c = 1; c <= CONTROLLERS; ++c)
        m[c] = f.host().with(c, [](sim::SimController& s) {
            return std::pair{s.eventsAcknowledged().size(), s.eventsDropped().size()};
        });
    return m;
}

// Cards in the log and how often, among those numbered from `first`.
std::map<QString, int> loggedCards(ConsoleFixture& f, int first) {
    std::map<QString, int> out;
    const QStringList rows =
        f.rows(QStringLiteral("SELECT TARJETA, COUNT(*) FROM DORQINCIDENCIA GROUP BY 1"));
    for (const QString& r : rows) {
        const QString card = r.section(QLatin1Char(':'), 0, 0);
        if (card.toLongLong() >= first && card.toLongLong() < first + 10000000)
            out[card] = r.section(QLatin1Char(':'), 1).toInt();
    }
    return out;
}

void compare(Burst& b, const Seen& s, const std::map<QString, int>& logged) {
    b.acknowledged = 0;
    for (const auto& [card, n] : s.acknowledged)
        b.acknowledged += n;
    b.logged = 0;
    for (const auto& [card, n] : logged) {
        b.logged += n;
        b.duplicates += n - 1;
        if (!s.acknowledged.count(card))
            ++b.keptUnacknowledged;
    }
    b.ackLatencies = s.ackLatencies;
    std::sort(b.ackLatencies.begin(), b.ackLatencies.end());
}

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
    const auto from = marks(f);
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
    compare(b, seen(f, from), loggedCards(f, first));
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

double median(const std::vector<double>& v) {
    return v.empty() ? 0 : v[v.size() / 2];
}
double worst(const std::vector<double>& v) {
    return v.empty() ? 0 : v.back();
}

void print(const char* name, const Burst& b) {
    const bool equal = b.acknowledged + b.keptUnacknowledged == b.logged;
    std::printf("%s: %d events acknowledged, %d in the log (%s), %d duplicates, %d kept but not "
                "acknowledged, in %.1f s; frame to ACK: median %.1f ms, worst %.1f ms; ACK to list row: "
                "median %.1f ms, worst %.1f ms over %zu rows\n",
                name, b.acknowledged, b.logged, equal ? "every acknowledged one" : "DIFFERENT", b.duplicates,
                b.keptUnacknowledged, b.seconds, median(b.ackLatencies), worst(b.ackLatencies),
                median(b.latencies), worst(b.latencies), b.latencies.size());
}

// The recording process, as the crash test runs it, killed once at a random moment of the burst.
Burst killed(ConsoleFixture& f, int first) {
    const auto start = [&] {
        auto p = std::make_unique<QProcess>();
        QStringList args{f.root.installation(1), f.root.path(QStringLiteral("journal-recorder"))};
        for (int c = 1; c <= CONTROLLERS; ++c)
            args << QStringLiteral("%1=%2").arg(c).arg(f.sim->device(c));
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(QCoreApplication::applicationDirPath() + QStringLiteral("/kestrum_test_grabador"), args);
        QByteArray out;
        while (!out.contains("ready") && p->waitForReadyRead(30000))
            out += p->readAllStandardOutput();
        return p;
    };
    Burst b;
    QElapsedTimer clock;
    clock.start();
    const auto from = marks(f);
    const int acksBefore = acks(f);
    auto recorder = start();
    for (int c = 1; c <= CONTROLLERS; ++c)
        f.host().with(c, [&](sim::SimController& s) {
            for (int e = 0; e < EVENTS; ++e)
                s.presentCard(QString::number(first + c * 1000 + e));
        });
    const int total = CONTROLLERS * EVENTS;
    const quint32 seed = QRandomGenerator::global()->generate();
    const int killAt = 1 + static_cast<int>(QRandomGenerator(seed).bounded(total - 1));
    wait([&] { return acks(f) - acksBefore >= killAt; }, 120000);
    recorder->kill();
    recorder->waitForFinished(10000);
    std::printf("killed after %d acknowledgements (seed %u)\n", acks(f) - acksBefore, seed);
    QTest::qWait(4 * timings().controllerAckWaitMs);
    recorder = start();
    const auto idle = [&] {
        int n = 0;
        for (int c = 1; c <= CONTROLLERS; ++c)
            n += f.host().with(c, [](sim::SimController& s) { return s.eventsPending(); });
        return n == 0;
    };
    wait(idle, 120000);
    recorder->terminate();
    recorder->waitForFinished(30000);
    b.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    compare(b, seen(f, from), loggedCards(f, first));
    return b;
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
    // The recorder takes the ports: the console lets them go first.
    f.w.reset();
    ui::Consola::reset();
    print("burst, recorder killed and started again", killed(f, 30000000));
    return 0;
}
