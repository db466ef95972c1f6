// Events that readers report while an operation talks to them (the periodic test, a send of all
// cards, a holder editor that sends a card) are kept and acknowledged as they come, and reach the
// log and the event list once each when the operation ends.
#include "UF_Main.h"
#include "UF_Nuevo_Usr.h"
#include "consolefixture.h"
#include "operacion.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <map>

using namespace kestrum;
using kestrum::test::ConsoleFixture;

namespace {

constexpr int EVENTS = 20; // per reader

void burst(ConsoleFixture& f) {
    for (int c = 1; c <= 2; ++c)
        f.host().with(c, [c](sim::SimController& s) {
            for (int e = 0; e < EVENTS; ++e)
                s.presentCard(QString::number(c * 1000 + e));
        });
}

int pending(ConsoleFixture& f) {
    int n = 0;
    for (int c = 1; c <= 2; ++c)
        n += f.host().with(c, [](sim::SimController& s) { return s.eventsPending(); });
    return n;
}

} // namespace

class TestEventosOperaciones : public QObject {
    Q_OBJECT
private slots:
    void keptDuringTheOperation_data() {
        QTest::addColumn<QString>("operacion");
        QTest::newRow("periodic test") << "periodic";
        QTest::newRow("send all") << "send all";
        QTest::newRow("holder editor") << "editor";
    }

    void keptDuringTheOperation() {
        QFETCH(QString, operacion);
        ConsoleFixture f(2);
        f.controller(1, QStringLiteral("Door A"));
        f.controller(2, QStringLiteral("Door B"));
        for (const char* code : {"0000000001", "0000000002"}) {
            f.card(QLatin1String(code));
            f.assign(QLatin1String(code), 1, false);
            f.assign(QLatin1String(code), 2, false);
        }
        f.start();
        for (int c = 1; c <= 2; ++c)
            f.host().with(c, [](sim::SimController& s) { s.setPacing(true); });
        QTest::mouseClick(f.main().findChild<QToolButton*>(QStringLiteral("I_PLAY_OFF")), Qt::LeftButton);
        QVERIFY(f.main().Registrando());

        bool suspended = false;
        QObject::connect(&ops::Operaciones::instance(), &ops::Operaciones::eventosSuspendidos, &f.main(),
                         [&] { suspended = true; });
        if (operacion == QLatin1String("periodic")) {
            burst(f);
            f.main().Eliminar_Tarj_cad_Y_Test_LectoresTimer();
        } else if (operacion == QLatin1String("send all")) {
            f.answerNextDialog([](QWidget* dialog) {
                QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("B_Aceptar")),
                                  Qt::LeftButton);
            });
            burst(f);
            f.click("B_Send");
        } else {
            f.click("B_New_USR_Usr");
            ui::F_Nuevo_Usr& e = *f.w->nuevoUsr;
            QVERIFY(e.isVisible());
            burst(f);
            e.Edit1()->setText(QStringLiteral("Ann"));
            e.Edit2()->setText(QStringLiteral("Lee"));
            e.C_Tarjetas()->setEditText(QString());
            QTest::keyClicks(e.C_Tarjetas(), QStringLiteral("7\r"));
            QTest::mouseClick(e.findChild<QPushButton*>(QStringLiteral("B_Aceptar")), Qt::LeftButton);
            // Events arrive while the editor stays open after the send.
            QTest::qWait(200);
            QTest::mouseClick(e.findChild<QPushButton*>(QStringLiteral("B_Cancelar")), Qt::LeftButton);
            QVERIFY(!e.isVisible());
        }
        QVERIFY(suspended);
        QTRY_VERIFY(!ops::operacionEnCurso() && !ops::Operaciones::instance().suspendidos());
        QTRY_COMPARE_WITH_TIMEOUT(pending(f), 0, 30000);

        std::map<QString, int> acknowledged;
        for (int c = 1; c <= 2; ++c)
            f.host().with(c, [&](sim::SimController& s) {
                for (const QByteArray& e : s.eventsAcknowledged())
                    ++acknowledged[sim::SimController::cardOf(e)];
                QVERIFY(s.eventsDropped().empty());
            });
        QCOMPARE(static_cast<int>(acknowledged.size()), 2 * EVENTS);
        QStringList expected;
        for (const auto& [card, n] : acknowledged)
            expected << QStringLiteral("%1:%2").arg(card).arg(n);
        QTRY_COMPARE(
            f.rows(QStringLiteral("SELECT TARJETA, COUNT(*) FROM DORQINCIDENCIA GROUP BY 1 ORDER BY 1")),
            expected);
        // Each listed once, with the periodic test's own lines besides.
        const QString granted = f.main().nombresEventos().value(0);
        const auto listed = [&] {
            int n = 0;
            ui::ModeloLista& list = f.list("Lista_Incidencias");
            for (int i = 0; i < list.filas(); ++i)
                n += list.fila(i).celdas.value(0) == granted ? 1 : 0;
            return n;
        };
        QTRY_COMPARE(listed(), 2 * EVENTS);
        QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
    }
};

QTEST_MAIN(TestEventosOperaciones)
#include "tst_eventos_operaciones.moc"
