// The console fixture itself: two simulated controllers reached through the settings' port mapping.
#include "consolefixture.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcontrolador.h"

class TestFixtureSmoke : public QObject {
    Q_OBJECT
private slots:
    void controllersAnswerThroughTheSettings() {
        kestrum::test::ConsoleFixture f(2);
        f.controller(1, QStringLiteral("Door A"));
        f.controller(2, QStringLiteral("Door B"));
        f.start();
        QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
        auto c = f.sistema().Controladores()->Controlador(1);
        QVERIFY(c && c->Comunicador()->Conectado());
        kestrum::link::TTest_Informacion info;
        c->Comunicador()->Testear(info);
        QCOMPARE(info.Ok, 1);
    }
};

QTEST_MAIN(TestFixtureSmoke)
#include "tst_fixture_smoke.moc"
