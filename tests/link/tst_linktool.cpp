// kestrum-link as an installer runs it, against a simulated controller.
#include "simports.h"
#include "timings.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace kestrum;

class TestLinkTool : public QObject {
    Q_OBJECT
private slots:
    // kestrum-link runs the described waits; so do the simulators it talks to here.
    void initTestCase() { setTimings(Timings::described()); }
    void init() { sim_ = std::make_unique<test::SimPorts>(1); }
    void cleanup() { sim_.reset(); }
    void commands_data();
    void commands();
    void silentControllerExitsOne();
    void badPortExitsTwoWithMessage();
    void refusedPortNamesTheDialoutGroup();
    void listensAndTraces();
    void lateRepliesOfAnEarlierRunAnswerNothing();
    void listenEndsWhenThePortVanishes();

private:
    struct Run {
        int exit;
        QString out;
        QString err;
    };
    // `during` runs on the simulator after `afterMs` while the tool runs.
    Run run(const QStringList& args, int afterMs = 0, std::function<void(sim::SimController&)> during = {});
    std::unique_ptr<test::SimPorts> sim_;
};

TestLinkTool::Run TestLinkTool::run(const QStringList& args, int afterMs,
                                    std::function<void(sim::SimController&)> during) {
    QProcess p;
    p.start(QStringLiteral(KESTRUM_LINK_EXE), args);
    if (during) {
        QTest::qWait(afterMs);
        sim_->host().with(1, during);
    }
    if (!p.waitForFinished(30000))
        qFatal("kestrum-link did not finish");
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

void TestLinkTool::commands_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QStringList>("memory");
    QTest::newRow("test")
        << QStringList{"test"} << 0
        << "Ok=1\nEstado=puerta_cerrada\nT_Abrepuertas=05\nT_Puerta_Abierta=0A\nVersion=12\n"
           "Num_Tarjetas=1\n"
        << QStringList{"0000000042"};
    QTest::newRow("send") << QStringList{"send", "123"} << 0 << "ok=1\n"
                          << QStringList{"0000000042", "0000000123"};
    QTest::newRow("batch") << QStringList{"batch", "7", "1"} << 0 << "ok=1\n"
                           << QStringList{"0000000042", "0000000007"};
    QTest::newRow("erase") << QStringList{"erase", "42"} << 0 << "ok=1\n" << QStringList{};
    QTest::newRow("empty") << QStringList{"empty"} << 0 << "ok=1\n" << QStringList{};
    QTest::newRow("read") << QStringList{"read", "1"} << 0 << "card=0000000042\n"
                          << QStringList{"0000000042"};
    QTest::newRow("read past the end") << QStringList{"read", "2"} << 1 << "card=\n"
                                       << QStringList{"0000000042"};
    QTest::newRow("times") << QStringList{"times", "3", "0"} << 0 << "ok=1\n" << QStringList{"0000000042"};
    QTest::newRow("master") << QStringList{"master"} << 0 << "ok=1\n" << QStringList{"0000000042"};
    QTest::newRow("times out of range")
        << QStringList{"times", "0", "5"} << 2 << "" << QStringList{"0000000042"};
    QTest::newRow("unknown command") << QStringList{"open"} << 2 << "" << QStringList{"0000000042"};
}

void TestLinkTool::commands() {
    QFETCH(QStringList, args);
    QFETCH(int, exit);
    sim_->host().with(1, [](sim::SimController& c) { c.setMemory({QStringLiteral("42")}); });
    const Run r = run(QStringList{sim_->device(1)} + args);
    QCOMPARE(r.exit, exit);
    QTEST(r.out, "out");
    QTEST(sim_->host().with(1, [](sim::SimController& c) { return c.memory(); }), "memory");
}

void TestLinkTool::silentControllerExitsOne() {
    sim_->host().with(1, [](sim::SimController& c) { c.setSilent(true); });
    const Run r = run({sim_->device(1), QStringLiteral("send"), QStringLiteral("5")});
    QCOMPARE(r.exit, 1);
    QCOMPARE(r.out, QStringLiteral("ok=0\n"));
}

void TestLinkTool::badPortExitsTwoWithMessage() {
    const Run r = run({QStringLiteral("/dev/kestrum-none"), QStringLiteral("test")});
    QCOMPARE(r.exit, 2);
    QVERIFY2(r.err.contains(QStringLiteral("/dev/kestrum-none")), qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
}

void TestLinkTool::listensAndTraces() {
    const Run r =
        run({QStringLiteral("--trace"), sim_->device(1), QStringLiteral("listen"), QStringLiteral("2")}, 700,
            [](sim::SimController& c) { c.presentCard(QStringLiteral("12345678")); });
    QCOMPARE(r.exit, 0);
    QCOMPARE(r.out,
             QStringLiteral("Tipo=1 Codigo_Acceso=01 Codigo_Puerta= Tarjeta_Hex=0012345678 Puerto=%1\n")
                 .arg(sim_->device(1)));
    QVERIFY2(r.err.contains(QStringLiteral("< 10 02 81 AA 31 01 00 12 34 56 78")), qPrintable(r.err));
    QVERIFY2(r.err.contains(QStringLiteral("> 06")), qPrintable(r.err));
}

// The late replies of one run wait in the device for the next run, which must not take them.
void TestLinkTool::lateRepliesOfAnEarlierRunAnswerNothing() {
    sim_->host().with(1, [](sim::SimController& c) {
        c.setMemory({QStringLiteral("555")});
        c.setReplyDelay(1000);
    });
    QCOMPARE(run({sim_->device(1), QStringLiteral("send"), QStringLiteral("999")}).out,
             QStringLiteral("ok=1\n"));
    QTest::qWait(1500);
    sim_->host().with(1, [](sim::SimController& c) { c.setSilent(true); });
    const Run r = run({sim_->device(1), QStringLiteral("erase"), QStringLiteral("555")});
    QCOMPARE(r.out, QStringLiteral("ok=0\n"));
    QCOMPARE(r.exit, 1);
    QCOMPARE(sim_->host().with(1, [](sim::SimController& c) { return c.memory(); }),
             (QStringList{"0000000555", "0000000999"}));
}

// The system's "Permission denied" alone does not tell an operator outside the serial devices' group
// what to do.
void TestLinkTool::refusedPortNamesTheDialoutGroup() {
    const QString device = sim_->device(1);
    QString program = QStringLiteral(KESTRUM_LINK_EXE);
    QStringList args{device, QStringLiteral("test")};
    if (::geteuid() == 0) {
        // No mode stops root: the tool runs as nobody, whom the device's owner-only mode refuses.
        const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
        if (setpriv.isEmpty())
            QSKIP("setpriv is missing: root opens any device");
        const QStringList asNobody{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                   QStringLiteral("--clear-groups"), program};
        if (QProcess::execute(setpriv, asNobody + QStringList{QStringLiteral("--version")}) != 0)
            QSKIP("nobody cannot run the programs of this build folder");
        QVERIFY(::chmod(QFile::encodeName(device).constData(), 0600) == 0);
        args = asNobody + args;
        program = setpriv;
    } else {
        QVERIFY(::chmod(QFile::encodeName(device).constData(), 0) == 0);
    }
    QProcess p;
    p.start(program, args);
    QVERIFY(p.waitForFinished(30000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QCOMPARE(p.exitCode(), 2);
    QVERIFY2(err.startsWith(QStringLiteral("kestrum-link: ") + device + QStringLiteral(": ")),
             qPrintable(err));
    QVERIFY2(err.contains(QStringLiteral("'dialout'")), qPrintable(err));
}

void TestLinkTool::listenEndsWhenThePortVanishes() {
    const Run r = run({sim_->device(1), QStringLiteral("listen"), QStringLiteral("20")}, 500,
                      [](sim::SimController& c) { c.unplug(); });
    QVERIFY2(r.exit == 1, qPrintable(r.out + r.err));
    QVERIFY2(r.err.startsWith(QStringLiteral("kestrum-link: ")), qPrintable(r.err));
}

QTEST_GUILESS_MAIN(TestLinkTool)
#include "tst_linktool.moc"
