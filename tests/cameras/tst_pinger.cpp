// ICMP echo against this machine only; what the system allows decides which socket answers.
#include "pinger.h"

#include <QSignalSpy>
#include <QTest>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using kestrum::cameras::IcmpPinger;
using kestrum::cameras::PingReply;

namespace {

bool allowed(int type) {
    const int fd = ::socket(AF_INET, type, IPPROTO_ICMP);
    if (fd >= 0)
        ::close(fd);
    return fd >= 0;
}

} // namespace

class TestPinger : public QObject {
    Q_OBJECT
private slots:
    // Each socket kind answers 127.0.0.1 where the system allows it, and says so clearly where not.
    void loopback_data() {
        QTest::addColumn<int>("socket");
        QTest::addColumn<int>("type");
        QTest::newRow("datagram") << static_cast<int>(IcmpPinger::Socket::Datagram) << int(SOCK_DGRAM);
        QTest::newRow("raw") << static_cast<int>(IcmpPinger::Socket::Raw) << int(SOCK_RAW);
    }
    void loopback() {
        QFETCH(int, socket);
        QFETCH(int, type);
        const IcmpPinger pinger({static_cast<IcmpPinger::Socket>(socket)});
        const PingReply r = pinger.pingNow(QStringLiteral("127.0.0.1"));
        if (allowed(type)) {
            QCOMPARE(r.status, PingReply::Echo);
            QVERIFY(!r.forbidden);
        } else {
            QCOMPARE(r.status, PingReply::Error);
            QVERIFY(r.forbidden);
            QVERIFY2(!r.detail.isEmpty(), "the system's reason is given");
        }
    }

    // The default order finds a socket whenever the system allows one.
    void defaultOrder() {
        const PingReply r = IcmpPinger().pingNow(QStringLiteral("localhost"));
        if (!allowed(SOCK_DGRAM) && !allowed(SOCK_RAW))
            QSKIP("this system allows no ICMP socket");
        QCOMPARE(r.status, PingReply::Echo);
    }

    // Asked from the window's thread, the answer comes back there, and not after its receiver went.
    void answersOnTheCallersThread() {
        IcmpPinger pinger;
        QObject context;
        bool called = false;
        QThread* thread = nullptr;
        pinger.ping(QStringLiteral("127.0.0.1"), &context, [&](const PingReply&) {
            called = true;
            thread = QThread::currentThread();
        });
        QTRY_VERIFY(called);
        QCOMPARE(thread, QThread::currentThread());

        bool late = false;
        {
            QObject gone;
            pinger.ping(QStringLiteral("127.0.0.1"), &gone, [&](const PingReply&) { late = true; });
        }
        QTest::qWait(200);
        QVERIFY(!late);
    }

    // A name that does not resolve is an error with the resolver's reason, not a time-out.
    void unresolvable() {
        const PingReply r = IcmpPinger().pingNow(QString());
        QCOMPARE(r.status, PingReply::Error);
        QVERIFY(!r.detail.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestPinger)
#include "tst_pinger.moc"
