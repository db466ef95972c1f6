// The waits the programs run are the described ones; the tests' profile divides every one of them
// by the same number, so their order stays.
#include "timings.h"

#include <QTest>

using kestrum::Timings;

class TestTimings : public QObject {
    Q_OBJECT
private slots:
    void describedValues_data();
    void describedValues();
    void everyWaitScaledAlike();
    void testsRunScaledDown();
};

void TestTimings::describedValues_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("expected");
    const Timings d = Timings::described();
    QTest::newRow("link reply wait") << d.linkReplyWaitMs << 250;
    QTest::newRow("controller reply wait") << d.controllerReplyWaitMs << 350;
    QTest::newRow("late replies") << d.lateReplyWaitMs << 4000;
    QTest::newRow("master card") << d.masterWaitMs << 5500;
    QTest::newRow("event tick") << d.eventTickMs << 50;
    QTest::newRow("pause test") << d.pauseTestMs << 50;
    QTest::newRow("pause door times") << d.pauseTimesMs << 200;
    QTest::newRow("pause master") << d.pauseMasterMs << 200;
    QTest::newRow("pause card") << d.pauseCardMs << 100;
    QTest::newRow("pause empty") << d.pauseEmptyMs << 100;
    QTest::newRow("pause read") << d.pauseReadMs << 200;
    QTest::newRow("reader editor opens") << d.editorOpenPauseMs << 1000;
    QTest::newRow("installation switch") << d.installationSwitchMs << 2000;
    QTest::newRow("periodic task") << d.periodicMs << 30000;
    QTest::newRow("transfer pass") << d.passWaitMs << 200;
    QTest::newRow("journal retry") << d.journalRetryMs << 3000;
    QTest::newRow("controllers' ACK wait") << d.controllerAckWaitMs << 300;
    QTest::newRow("no scaling") << d.divisor << 1;
    QTest::newRow("scale is identity") << d.scale(875) << 875;
}

void TestTimings::describedValues() {
    QFETCH(int, value);
    QFETCH(int, expected);
    QCOMPARE(value, expected);
}

void TestTimings::everyWaitScaledAlike() {
    const Timings d = Timings::described();
    const Timings s = Timings::scaledDown(8);
    QCOMPARE(s.divisor, 8);
    for (auto field : Timings::fields())
        if (field != &Timings::controllerAckWaitMs)
            QCOMPARE(s.*field, d.*field / 8);
    // The console's journal sync takes the disk's time, whatever the scale.
    QCOMPARE(s.controllerAckWaitMs, d.controllerAckWaitMs);
    QCOMPARE(s.scale(875), 109);
    QCOMPARE(s.scale(3), 1); // a wait never becomes none
    QCOMPARE(s.scale(0), 0);
    // The orders the tests rely on: a reply late by more than the reply wait still comes before
    // the wait for late replies ends.
    QVERIFY(s.controllerReplyWaitMs < s.scale(500) && s.scale(500) < s.lateReplyWaitMs);
}

void TestTimings::testsRunScaledDown() {
    QVERIFY(kestrum::timings().divisor > 1);
    QCOMPARE(kestrum::timings().lateReplyWaitMs, 4000 / kestrum::timings().divisor);
}

QTEST_GUILESS_MAIN(TestTimings)
#include "tst_timings.moc"
