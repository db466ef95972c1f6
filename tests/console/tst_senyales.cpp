// SIGTERM, SIGINT and SIGHUP close the console as its Exit does, whatever window is in front and
// also while an editor waits for controllers that do not answer.
#include "UF_Nuevo_Usr.h"
#include "consolefixture.h"
#include "signalroute.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <csignal>

using namespace kestrum;
using kestrum::test::ConsoleFixture;

class TestSenyales : public QObject {
    Q_OBJECT
private slots:
    void closesAsExit_data();
    void closesAsExit();
};

enum Frente { Login, Principal, Bloqueo, EditorEsperando };

void TestSenyales::closesAsExit_data() {
    QTest::addColumn<int>("frente");
    QTest::addColumn<int>("signal");
    QTest::newRow("login window, SIGTERM") << int(Login) << SIGTERM;
    QTest::newRow("main window, SIGINT") << int(Principal) << SIGINT;
    QTest::newRow("lock screen, SIGHUP") << int(Bloqueo) << SIGHUP;
    QTest::newRow("editor waiting for silent readers, SIGTERM") << int(EditorEsperando) << SIGTERM;
}

void TestSenyales::closesAsExit() {
    QFETCH(int, frente);
    QFETCH(int, signal);
    ConsoleFixture f(2);
    f.controller(1, QStringLiteral("Door A"));
    f.controller(2, QStringLiteral("Door B"));
    f.start(frente != Login);
    if (frente == Login)
        f.w->login->show();
    ui::SignalRoute& route = ui::SignalRoute::instance();
    route.install();
    QMetaObject::Connection c =
        QObject::connect(&route, &ui::SignalRoute::received, qApp, [&f] { ui::alRecibirSenyal(f.w.get()); });

    QTimer::singleShot(0, qApp, [&] {
        if (frente == Bloqueo)
            f.main().B_LoginClick();
        if (frente != EditorEsperando) {
            ::raise(signal);
            return;
        }
        for (int n : {1, 2})
            f.host().with(n, [](sim::SimController& c) { c.setSilent(true); });
        f.main().B_New_USR_MainClick();
        ui::F_Nuevo_Usr& e = *f.w->nuevoUsr;
        e.Edit1()->setText(QStringLiteral("Ann"));
        e.C_Tarjetas()->setEditText(QStringLiteral("1"));
        e.findChild<QToolButton*>(QStringLiteral("B_Mas"))->click();
        // The signal comes while Accept waits for the first reader's answer.
        QTimer::singleShot(200, [signal] { ::raise(signal); });
        e.findChild<QPushButton*>(QStringLiteral("B_Aceptar"))->click();
    });
    // A console that does not close leaves this loop running: the watchdog ends it as a failure.
    bool watchdog = false;
    QTimer::singleShot(20000, qApp, [&watchdog] {
        watchdog = true;
        QCoreApplication::exit(1);
    });
    QElapsedTimer t;
    t.start();
    const int result = QCoreApplication::exec();
    QObject::disconnect(c);
    QVERIFY2(!watchdog, "the console did not close");
    QCOMPARE(result, 0);
    QVERIFY(!f.w->main->isVisible());
    QVERIFY(!f.w->login->isVisible());
    // The settings were written as Exit writes them.
    QVERIFY(f.root.read(QStringLiteral("KESTRUM20.INI")).contains("Testear_cx="));
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
}

QTEST_MAIN(TestSenyales)
#include "tst_senyales.moc"
