// Transactions of the link over pseudo-terminals against the simulated controller.
#include "kerror.h"
#include "simports.h"
#include "timings.h"
#include "vorna.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <sys/resource.h>

using namespace kestrum;
using namespace kestrum::link;
using kestrum::test::bytes;

namespace {

struct Delivered {
    QList<QByteArray> frames;
    tvorna::TVORNARecibedNotDemand handler() {
        return [this](QObject*, const Trama_GenVorna& t) { add(t); };
    }
    tvorna::TIncidencia events() {
        return [this](QObject*, const Trama_GenVorna& t, const tvorna::Llegada& llegada) {
            add(t);
            arrivals << llegada;
        };
    }
    void add(const Trama_GenVorna& t) {
        QByteArray b;
        for (std::size_t i = 0; i < t.size() && t[i] != FILLER; ++i)
            b.append(static_cast<char>(t[i]));
        frames << b;
    }
    QList<tvorna::Llegada> arrivals;
};

QByteArray eventFrame(const char* codeAndData) {
    const QByteArray body = bytes(codeAndData);
    const auto* d = reinterpret_cast<const std::uint8_t*>(body.constData()) + 1;
    const auto f = buildFrame(0x81, 0xAA, static_cast<std::uint8_t>(body[0]),
                              std::span<const std::uint8_t>(d, static_cast<std::size_t>(body.size() - 1)));
    return QByteArray(reinterpret_cast<const char*>(f.data()), static_cast<qsizetype>(f.size()));
}

qint64 cpuMs() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000;
}

} // namespace

class TestVorna : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void answeredCommand();
    void noAnswerThreeWrites();
    void loneAckEndsWait();
    void codeOneEndsWaitWithoutReply();
    void replyFromAnotherAddressEndsRetries();
    void foreignDestinationHasNoEffect();
    void restartOnDleStx();
    void eventDuringTransactionIsNotTheReply();
    void eventsDeliveredInOrderNoneLost();
    void eventsAckedAndDroppedWhenReceptionOff();
    void unsolicitedReplyGoesToRxChar();
    void keptEventAcknowledgedOnlyOnceKept();
    void masterWaitDoesNotStick();
    void closedPortIsNoAnswer();
    void lateRepliesAnswerNoLaterCommand_data();
    void lateRepliesAnswerNoLaterCommand();
    void vanishedPortClosesAndReports();
    void openFailureCarriesSystemMessage();

private:
    std::unique_ptr<test::SimPorts> sim_;
    std::unique_ptr<tvorna> link_;
    sim::SimHost& host() { return sim_->host(); }
    Trama_GenVorna send(quint8 command, const QByteArray& data = {}) {
        Trama_GenVorna reply = emptyTrama();
        link_->Borrar_Datos();
        link_->Anyadir_Datos(data);
        link_->Enviar_Comando(command, 1, 0xAA, reply);
        return reply;
    }
    int count(quint8 command) {
        return host().with(1, [&](sim::SimController& c) { return c.commandCount(command); });
    }
};

void TestVorna::init() {
    sim_ = std::make_unique<test::SimPorts>(1);
    link_ = std::make_unique<tvorna>();
    link_->setVelocidad(timings().controllerReplyWaitMs);
    link_->setPortName(sim_->device(1));
    link_->open();
}

void TestVorna::cleanup() {
    link_.reset();
    sim_.reset();
}

void TestVorna::answeredCommand() {
    const auto r = send(27);
    QCOMPARE(r[0], 0xAA);
    QCOMPARE(r[1], 44);
    QCOMPARE(r[2], 2); // state code
    QCOMPARE(r[8], FILLER);
    QCOMPARE(count(27), 1);
    QVERIFY(!link_->Ocupado());
}

void TestVorna::noAnswerThreeWrites() {
    host().with(1, [](sim::SimController& c) { c.setSilent(true); });
    QElapsedTimer t;
    t.start();
    const auto r = send(97, bytes("00 12 34 56 78"));
    QCOMPARE(r[1], FILLER);
    QCOMPARE(count(97), 3);
    QVERIFY(t.elapsed() >=
            3 * timings().controllerReplyWaitMs - 10); // each write is followed by its full wait
}

void TestVorna::loneAckEndsWait() {
    host().with(1, [](sim::SimController& c) { c.setLoneAck(true); });
    const auto r = send(97, bytes("00 12 34 56 78"));
    QCOMPARE(r[0], 0xAA);
    QCOMPARE(r[1], ACK);
    QCOMPARE(r[2], FILLER);
    QCOMPARE(count(97), 1);
}

void TestVorna::codeOneEndsWaitWithoutReply() {
    host().with(1, [](sim::SimController& c) { c.refuse(97); });
    const auto r = send(97, bytes("00 12 34 56 78"));
    QCOMPARE(r[1], FILLER);
    QCOMPARE(count(97), 1);
}

void TestVorna::replyFromAnotherAddressEndsRetries() {
    host().with(1, [](sim::SimController& c) { c.setReplySource(0xAB); });
    const auto r = send(27);
    QCOMPARE(r[0], 0xAB);
    QCOMPARE(r[1], 44);
    QCOMPARE(count(27), 1);
}

// Injects bytes from the controller while the console waits for a reply.
static void injectDuringWait(sim::SimHost& host, const QByteArray& raw) {
    QTimer::singleShot(timings().scale(100),
                       [&host, raw] { host.with(1, [&](sim::SimController& c) { c.injectRaw(raw); }); });
}

void TestVorna::foreignDestinationHasNoEffect() {
    host().with(1, [](sim::SimController& c) { c.setSilent(true); });
    QByteArray foreign = eventFrame("06");
    foreign[2] = static_cast<char>(0x82); // destination of another station (checksum follows it)
    foreign[foreign.size() - 3] = static_cast<char>(foreign[foreign.size() - 3] ^ 0x81 ^ 0x82);
    injectDuringWait(host(), foreign);
    const auto r = send(97, bytes("00 12 34 56 78"));
    QCOMPARE(r[1], FILLER);
    QCOMPARE(count(97), 3);
}

void TestVorna::restartOnDleStx() {
    host().with(1, [](sim::SimController& c) { c.setSilent(true); });
    injectDuringWait(host(), bytes("10 02 81 AA 2C 01 02") + eventFrame("06"));
    const auto r = send(97, bytes("00 12 34 56 78"));
    QCOMPARE(r[1], ACK);
    QCOMPARE(r[2], FILLER);
    QCOMPARE(count(97), 1);
}

void TestVorna::eventDuringTransactionIsNotTheReply() {
    Delivered events;
    link_->setOnVORNARecibedNotDemandRxInc(events.events());
    link_->setActivar_NdemandRC(true);
    link_->Activar_T_Incidencias(true);
    host().with(1, [](sim::SimController& c) { c.setReplyDelay(timings().scale(200)); });
    injectDuringWait(host(), eventFrame("31 01 00 12 34 56 78"));
    const auto r = send(27);
    QCOMPARE(r[1], 44); // the awaited reply, not the event
    QCOMPARE(count(27), 1);
    QTRY_COMPARE(events.frames.size(), 1);
    QCOMPARE(events.frames.first(), bytes("AA 31 01 00 12 34 56 78"));
    QTRY_COMPARE(host().with(1, [](sim::SimController& c) { return c.acksReceived(); }), 1);
}

void TestVorna::eventsDeliveredInOrderNoneLost() {
    Delivered events;
    link_->setOnVORNARecibedNotDemandRxInc(events.events());
    link_->setActivar_NdemandRC(true);
    link_->Activar_T_Incidencias(true);
    // Three events in one read, well within one tick.
    host().with(1, [](sim::SimController& c) {
        c.injectRaw(eventFrame("31 01 00 00 00 00 01") + eventFrame("37 05") +
                    eventFrame("31 00 00 00 00 00 02"));
    });
    QTRY_COMPARE(events.frames.size(), 3);
    QCOMPARE(events.frames, (QList<QByteArray>{bytes("AA 31 01 00 00 00 00 01"), bytes("AA 37 05"),
                                               bytes("AA 31 00 00 00 00 00 02")}));
    QTRY_COMPARE(host().with(1, [](sim::SimController& c) { return c.acksReceived(); }), 3);
}

void TestVorna::eventsAckedAndDroppedWhenReceptionOff() {
    Delivered events, other;
    link_->setOnVORNARecibedNotDemandRxInc(events.events());
    link_->setOnVORNARecibedNotDemandRxChar(other.handler());
    host().with(1, [](sim::SimController& c) { c.presentCard(QStringLiteral("12345678")); });
    QTRY_COMPARE(host().with(1, [](sim::SimController& c) { return c.acksReceived(); }), 1);
    QTest::qWait(timings().scale(120));
    QVERIFY(events.frames.isEmpty());
    QVERIFY(other.frames.isEmpty());
    QCOMPARE(link_->pendingEvents(), std::size_t{0});
}

void TestVorna::unsolicitedReplyGoesToRxChar() {
    Delivered chars, events;
    link_->setOnVORNARecibedNotDemandRxChar(chars.handler());
    link_->setOnVORNARecibedNotDemandRxInc(events.events());
    link_->setActivar_NdemandRC(true);
    link_->Activar_T_Incidencias(true);
    host().with(1, [](sim::SimController& c) { c.injectRaw(eventFrame("2C 02 05 0A 0C 00 00")); });
    QTRY_COMPARE(chars.frames.size(), 1);
    QCOMPARE(chars.frames.first(), bytes("AA 2C 02 05 0A 0C 00 00"));
    QVERIFY(events.frames.isEmpty());
}

// With a keeper, each event's ACK waits for it: kept, the ACK goes out and the event is delivered;
// not kept, the controller sends it again; a resend while the ACK waits is not kept twice; the
// settlement of an event that came before the port was reopened acknowledges nothing.
void TestVorna::keptEventAcknowledgedOnlyOnceKept() {
    Delivered events;
    link_->setOnVORNARecibedNotDemandRxInc(events.events());
    link_->setActivar_NdemandRC(true);
    link_->Activar_T_Incidencias(true);
    QList<tvorna::Acuse> acuses;
    QList<QDateTime> kept;
    link_->setGuardian([&](const Trama_GenVorna&, const QDateTime& llegada, tvorna::Acuse acuse) {
        acuses << std::move(acuse);
        kept << llegada;
    });
    const auto acks = [this] {
        return host().with(1, [](sim::SimController& c) { return c.acksReceived(); });
    };
    const auto present = [this](const char* card) {
        host().with(1, [card](sim::SimController& c) { c.presentCard(QLatin1String(card)); });
    };
    const int resend = timings().controllerAckWaitMs;

    present("1");
    QTRY_COMPARE(acuses.size(), 1);
    QTest::qWait(resend / 2);
    QCOMPARE(acks(), 0);
    QVERIFY(events.frames.isEmpty()); // listed only once kept
    acuses.takeFirst()(true);
    QTRY_COMPARE(acks(), 1);
    QTRY_COMPARE(events.frames.size(), 1);
    QVERIFY(events.arrivals[0].guardada);
    QCOMPARE(events.arrivals[0].momento, kept[0]);

    // Not kept: no ACK, and the controller's resend is offered again.
    present("2");
    QTRY_COMPARE(acuses.size(), 1);
    acuses.takeFirst()(false);
    QTRY_COMPARE_WITH_TIMEOUT(acuses.size(), 1, resend * 3);
    QCOMPARE(acks(), 1);
    acuses.takeFirst()(true);
    QTRY_COMPARE(acks(), 2);

    // A slow keeper: the resends that come meanwhile are the same event.
    present("3");
    QTRY_COMPARE(acuses.size(), 1);
    QTest::qWait(resend * 2 + resend / 2);
    QCOMPARE(acuses.size(), 1);
    acuses.takeFirst()(true);
    QTRY_COMPARE(acks(), 3);

    // Reopened before it was settled: its ACK might acknowledge another event.
    present("4");
    QTRY_COMPARE(acuses.size(), 1);
    const tvorna::Acuse stale = acuses.takeFirst();
    link_->close();
    link_->open();
    stale(true);
    QTRY_COMPARE_WITH_TIMEOUT(acuses.size(), 1, resend * 3);
    QCOMPARE(acks(), 3);
    acuses.takeFirst()(true);
    QTRY_COMPARE(acks(), 4);

    QTRY_COMPARE(events.frames.size(), 4);
    QVERIFY(host().with(1, [](sim::SimController& c) { return c.eventsDropped().empty(); }));
    QCOMPARE(link_->pendingAcks(), std::size_t{0});
}

void TestVorna::masterWaitDoesNotStick() {
    host().with(1, [](sim::SimController& c) { c.refuse(29); });
    send(29);
    host().with(1, [](sim::SimController& c) { c.setSilent(true); });
    QElapsedTimer t;
    t.start();
    send(27);
    QCOMPARE(count(27), 3);
    QVERIFY2(t.elapsed() < 3 * timings().masterWaitMs, "the master card's long wait stayed in place");
}

void TestVorna::closedPortIsNoAnswer() {
    link_->close();
    const auto r = send(27);
    QCOMPARE(r[1], FILLER);
    QVERIFY(!link_->Ocupado());
    QCOMPARE(count(27), 0);
}

void TestVorna::openFailureCarriesSystemMessage() {
    tvorna other;
    other.setPortName(QStringLiteral("/dev/kestrum-no-such-port"));
    try {
        other.open();
        QFAIL("opening a missing device succeeded");
    } catch (const kestrum::Error& e) {
        QVERIFY(e.message().contains(QStringLiteral("/dev/kestrum-no-such-port")));
        QVERIFY(!other.lastPortError().isEmpty());
        QVERIFY(e.message().contains(other.lastPortError()));
    }
}

QTEST_GUILESS_MAIN(TestVorna)
#include "tst_vorna.moc"

// The controller answers every frame, later than the wait: one reply ends the first command (or
// none does), the others arrive while the next command runs and must not answer it.
void TestVorna::lateRepliesAnswerNoLaterCommand_data() {
    QTest::addColumn<int>("lateMs");
    QTest::addColumn<bool>("firstAnswered");
    QTest::newRow("answered on a retry") << 875 << true;
    QTest::newRow("gave up") << 1400 << false;
}

void TestVorna::lateRepliesAnswerNoLaterCommand() {
    QFETCH(int, lateMs);
    QFETCH(bool, firstAnswered);
    Delivered events;
    link_->setOnVORNARecibedNotDemandRxInc(events.events());
    link_->setActivar_NdemandRC(true);
    link_->Activar_T_Incidencias(true);
    host().with(1, [&](sim::SimController& c) { c.setReplyDelay(timings().scale(lateMs)); });
    QCOMPARE(send(97, bytes("00 00 00 09 99"))[1] == ACK, firstAnswered);
    QCOMPARE(count(97), 3);

    host().with(1, [](sim::SimController& c) {
        c.setSilent(true);
        c.presentCard(QStringLiteral("12345678"));
    });
    QCOMPARE(send(65, bytes("00 00 00 05 55"))[1], FILLER);
    QCOMPARE(count(65), 3);
    // An event that came meanwhile is no reply and is not lost either.
    QTRY_COMPARE(events.frames.size(), 1);
    QCOMPARE(events.frames.at(0), bytes("AA 31 01 00 12 34 56 78"));
}

// An unplugged adapter: the port is closed and reported instead of read empty in a loop, and a
// command on it is unanswered.
void TestVorna::vanishedPortClosesAndReports() {
    QString lost;
    link_->setOnPortLost([&](const QString& message) { lost = message; });
    link_->setActivar_NdemandRC(true);
    link_->Activar_T_Incidencias(true);
    host().with(1, [](sim::SimController& c) { c.unplug(); });
    QTRY_VERIFY(!lost.isEmpty());
    QVERIFY(!link_->isOpen());
    QCOMPARE(lost, sim_->device(1) + QStringLiteral(": ") + link_->lastPortError());

    const qint64 before = cpuMs();
    QTest::qWait(1000);
    QVERIFY2(cpuMs() - before < 300, "the process keeps the processor busy");
    QCOMPARE(send(27)[1], FILLER);
    // A pseudo-terminal's number is reused at once, the unplugged reader's path never: a simulator
    // started now (most likely on the freed number) is not reached through it.
    test::SimPorts another(1);
    QVERIFY(!QFile::exists(sim_->device(1)));
    QVERIFY_THROWS_EXCEPTION(Error, link_->open());
}
