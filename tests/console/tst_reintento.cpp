// Pending cards sent by the periodic task once their reader answers again: the mark follows the
// reader's acknowledgement, a tick sends a bounded number, and the parameter switches it off.
#include "UF_Main.h"
#include "Variables.h"
#include "avisos.h"
#include "consolefixture.h"

using namespace kestrum;
using kestrum::test::ConsoleFixture;

namespace {

QString marca(ConsoleFixture& f, const QString& codigo) {
    return f
        .scalar(QStringLiteral("SELECT \"_STOREDINHW\" FROM DORQCONTROLADORTARJETA WHERE TARJETA='%1'")
                    .arg(codigo))
        .toString();
}

void silencio(ConsoleFixture& f, bool on) {
    f.host().with(1, [on](sim::SimController& c) { c.setSilent(on); });
}

} // namespace

class TestReintento : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { config::Variables::instance().retryPending = true; }

    void sentWhenTheReaderAnswersAgain() {
        ConsoleFixture f(1);
        f.controller(1, QStringLiteral("Door"));
        f.holder(1, QStringLiteral("Ana"));
        f.card(QStringLiteral("0000000555"), 1);
        f.assign(QStringLiteral("0000000555"), 1, false); // left pending while the reader was away
        silencio(f, true);
        f.start();
        f.main().Eliminar_Tarj_cad_Y_Test_LectoresTimer();
        QCOMPARE(marca(f, QStringLiteral("0000000555")), QStringLiteral("N"));
        QVERIFY(f.memory(1).isEmpty());

        silencio(f, false);
        f.main().Eliminar_Tarj_cad_Y_Test_LectoresTimer();
        QCOMPARE(marca(f, QStringLiteral("0000000555")), QStringLiteral("S"));
        QCOMPARE(f.memory(1), QStringList{QStringLiteral("0000000555")});
        QCOMPARE(f.list("Lista_Incidencias").fila(0).celdas.value(0), QStringLiteral("Pending card sent"));
        QCOMPARE(f.list("Lista_Incidencias").fila(0).celdas.value(3), QStringLiteral("0000000555"));
        QCOMPARE(ui::Avisos::instance().ultimo(),
                 QStringLiteral("Pending cards sent by the periodic test: 1 of 1 acknowledged."));
        QCOMPARE(f.mismatch(1), QString());
        QCOMPARE(f.errors, QStringList{});
    }

    void aTickSendsABoundedNumber() {
        ConsoleFixture f(1);
        f.controller(1, QStringLiteral("Door"));
        const int total = ui::F_Main::REENVIOS_POR_TICK + 5;
        for (int i = 0; i < total; ++i) {
            const QString codigo = QStringLiteral("%1").arg(1000 + i, 10, 10, QLatin1Char('0'));
            f.card(codigo);
            f.assign(codigo, 1, false);
        }
        f.start();
        f.main().Eliminar_Tarj_cad_Y_Test_LectoresTimer();
        QCOMPARE(f.memory(1).size(), ui::F_Main::REENVIOS_POR_TICK);
        f.main().Eliminar_Tarj_cad_Y_Test_LectoresTimer();
        QCOMPARE(f.memory(1).size(), total);
        QCOMPARE(f.mismatch(1), QString());
    }

    void offSendsNothing() {
        ConsoleFixture f(1);
        f.controller(1, QStringLiteral("Door"));
        f.card(QStringLiteral("0000000555"));
        f.assign(QStringLiteral("0000000555"), 1, false);
        f.start();
        config::Variables::instance().retryPending = false;
        f.main().Eliminar_Tarj_cad_Y_Test_LectoresTimer();
        QCOMPARE(marca(f, QStringLiteral("0000000555")), QStringLiteral("N"));
        QVERIFY(f.memory(1).isEmpty());
    }
};

QTEST_MAIN(TestReintento)
#include "tst_reintento.moc"
