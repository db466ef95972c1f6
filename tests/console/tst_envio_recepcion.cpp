// Send all and receive all as the operator runs them: the buttons of the readers' and holders'
// lists, the dialogs, the progress window with a row per reader, and the lists afterwards.
#include "F_Muestra_recepcion.h"
#include "UF_Main.h"
#include "UFr_recv_users.h"
#include "arranque.h"
#include "avisos.h"
#include "consolefixture.h"
#include "operacion.h"
#include "respuestas.h"
#include "transferencias.h"

#include <QPushButton>
#include <QTreeWidget>

using namespace kestrum;
using kestrum::test::ConsoleFixture;
using kestrum::test::pulsaCuando;

namespace {

void conLector(ConsoleFixture& f, int n, const std::function<void(sim::SimController&)>& fn) {
    f.sim->host().with(n, fn);
}

} // namespace

class TestEnvioRecepcion : public QObject {
    Q_OBJECT
private slots:
    // One reader refuses a card, one is silent: the readers that answered hold exactly their "S"
    // rows, the silent one's rows stay pending, and the operator reads where cards are missing.
    void sendAllFromTheReadersList() {
        ConsoleFixture f(3);
        f.controller(1, QStringLiteral("Door A"));
        f.controller(2, QStringLiteral("Door B"));
        f.controller(3, QStringLiteral("Door C"));
        for (const char* code : {"0000000001", "0000000002", "0000000003"}) {
            f.card(QLatin1String(code));
            f.assign(QLatin1String(code), 1, false);
            f.assign(QLatin1String(code), 2, true);
        }
        f.card(QStringLiteral("0000000004"));
        f.assign(QStringLiteral("0000000004"), 3, true);
        f.start();
        conLector(f, 1, [](sim::SimController& c) { c.setMemory({QStringLiteral("0000000099")}); });
        conLector(f, 2, [](sim::SimController& c) { c.refuse(34, 1); });
        conLector(f, 3, [](sim::SimController& c) { c.setSilent(true); });

        QList<int> filasVistas;
        f.answerNextDialog([&](QWidget* dialog) {
            auto* progreso = f.w->muestraRecep.get();
            QObject::connect(progreso->L_Lectores()->model(), &QAbstractItemModel::rowsInserted, progreso,
                             [&] { filasVistas << progreso->L_Lectores()->topLevelItemCount(); });
            dialog->findChild<QPushButton*>(QStringLiteral("B_Aceptar"))->click();
        });
        f.click("B_Send");

        QCOMPARE(f.errors, QStringList{});
        // The silent reader keeps what it held; its row stays pending, to be sent again.
        QCOMPARE(f.mismatch(2), QString());
        QCOMPARE(
            f.rows(QStringLiteral("SELECT CONTROLADOR, \"_STOREDINHW\", COUNT(*) FROM DORQCONTROLADORTARJETA "
                                  "GROUP BY 1, 2 ORDER BY 1, 2")),
            (QStringList{"1:S:3", "2:N:1", "2:S:2", "3:N:1"}));
        QVERIFY(!filasVistas.isEmpty());
        QVERIFY(!f.w->muestraRecep->isVisible());
        QCOMPARE(ui::Avisos::instance().ultimo(),
                 QStringLiteral("Cards sent: the readers acknowledged 5 of 7; the others stay pending in 2 "
                                "readers: 2 Door B, 3 Door C."));
        // Afterwards every reader is tested again.
        auto* l2 = f.main().findChild<QTreeView*>(QStringLiteral("L2_Contr"));
        QCOMPARE(l2->model()->rowCount(), 3);
        QVERIFY(!ops::operacionEnCurso());
        QVERIFY(!ops::Operaciones::instance().suspendidos());
    }

    // The progress window's cancel stops every reader after its current card: what each reader
    // holds is what the database marks "S", the rest stays pending.
    void cancelFromTheProgressWindow() {
        ConsoleFixture f(2);
        f.controller(1, QStringLiteral("Door A"));
        f.controller(2, QStringLiteral("Door B"));
        for (int i = 1; i <= 12; ++i) {
            const QString code = QStringLiteral("%1").arg(i, 10, 10, QLatin1Char('0'));
            f.card(code);
            f.assign(code, 1 + i % 2, true);
        }
        f.start();
        f.answerNextDialog([&](QWidget* dialog) {
            auto* progreso = f.w->muestraRecep.get();
            pulsaCuando(progreso, "B_Cancelar", [progreso] {
                QTreeWidget* l = progreso->L_Lectores();
                return l->topLevelItemCount() > 0 &&
                       l->topLevelItem(0)->text(1).startsWith(QLatin1String("2 /"));
            });
            dialog->findChild<QPushButton*>(QStringLiteral("B_Aceptar"))->click();
        });
        f.click("B_Send");

        QCOMPARE(f.errors, QStringList{});
        QCOMPARE(f.mismatch(2), QString());
        const int pendientes =
            f.rows(QStringLiteral("SELECT TARJETA FROM DORQCONTROLADORTARJETA WHERE \"_STOREDINHW\"='N'"))
                .size();
        QVERIFY2(pendientes > 0 && pendientes < 12, qPrintable(QString::number(pendientes)));
        QVERIFY(ui::Avisos::instance().ultimo().startsWith(QLatin1String("Send cancelled")));
    }

    // Version 19 cannot send its cards; a version 20 reader's unknown card becomes a card with a
    // holder of empty names, a known card with a holder only gets its row.
    void receiveAll() {
        ConsoleFixture f(2);
        f.controller(1, QStringLiteral("Old"));
        f.controller(2, QStringLiteral("New"));
        f.holder(7, QStringLiteral("Ana"));
        f.card(QStringLiteral("0000000555"), 7);
        f.start();
        conLector(f, 1, [](sim::SimController& c) {
            c.setSetup({2, 5, 10, 19});
            c.setMemory({QStringLiteral("0000000111")});
        });
        conLector(f, 2, [](sim::SimController& c) {
            c.setSetup({2, 5, 10, 20});
            c.setMemory({QStringLiteral("0000000555"), QStringLiteral("0000000777")});
        });
        QList<bool> puede;
        f.answerNextDialog([&](QWidget* dialog) {
            auto* l1 = static_cast<ui::F_recv_users*>(dialog)->L1_Contr();
            pulsaCuando(dialog, "SpeedButton10", [&, l1, dialog] {
                if (l1->topLevelItemCount() < 2 || ops::operacionEnCurso())
                    return false;
                for (int i = 0; i < l1->topLevelItemCount(); ++i)
                    puede << l1->topLevelItem(i)->data(3, Qt::UserRole).toBool();
                return dialog->findChild<QPushButton*>(QStringLiteral("SpeedButton10"))->isEnabled();
            });
        });
        f.click("B_Receive");

        QCOMPARE(f.errors, QStringList{});
        QCOMPARE(puede, (QList<bool>{false, true}));
        QCOMPARE(
            f.rows(QStringLiteral("SELECT CONTROLADOR, TARJETA, \"_STOREDINHW\" FROM DORQCONTROLADORTARJETA "
                                  "ORDER BY 1, 2")),
            (QStringList{"2:0000000555:S", "2:0000000777:S"}));
        QCOMPARE(
            f.rows(QStringLiteral("SELECT T.CODIGO_TARJETA, U.NOMBRE, U.APELLIDOS FROM DORQTARJETA T JOIN "
                                  "DORQUSUARIO U ON U.ID = T.USUARIO ORDER BY 1")),
            (QStringList{"0000000555:Ana:Ruiz", "0000000777::"}));
        QCOMPARE(ui::Avisos::instance().ultimo(), QStringLiteral("Received 2 cards from 1 reader."));
        // The holders' list shows the new holder without names.
        auto* lista1 = f.main().findChild<QTreeView*>(QStringLiteral("Lista1"));
        QCOMPARE(lista1->model()->rowCount(), 2);
    }
};

QTEST_MAIN(TestEnvioRecepcion)
#include "tst_envio_recepcion.moc"
