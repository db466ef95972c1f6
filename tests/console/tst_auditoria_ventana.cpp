// The audit as the operator runs it from the readers list: the differences per reader, then Fix
// with its confirmation answered, and the new audit shown.
#include "UF_Auditoria.h"
#include "avisos.h"
#include "consolefixture.h"
#include "operacion.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>

using namespace kestrum;
using kestrum::test::ConsoleFixture;

namespace {

// Each reader's row and its differences: "reader|state" then "  card|holder|problem".
QStringList filas(const QTreeWidget* l) {
    QStringList out;
    for (int i = 0; i < l->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* lector = l->topLevelItem(i);
        out << lector->text(0) + QLatin1Char('|') + lector->text(3);
        for (int j = 0; j < lector->childCount(); ++j) {
            const QTreeWidgetItem* d = lector->child(j);
            out << QStringLiteral("  %1|%2|%3").arg(d->text(1), d->text(2), d->text(3));
        }
    }
    return out;
}

} // namespace

class TestAuditoriaVentana : public QObject {
    Q_OBJECT
private slots:
    void auditAndFix() {
        ConsoleFixture f(2);
        for (int n : {1, 2})
            f.host().with(n, [](sim::SimController& c) { c.setSetup({2, 5, 10, 21}); });
        f.controller(1, QStringLiteral("Door A"));
        f.controller(2, QStringLiteral("Door B"));
        f.holder(7, QStringLiteral("Ana"));
        for (const char* code : {"0000000001", "0000000002", "0000000003", "0000000004"})
            f.card(QLatin1String(code), 7);
        f.assign(QStringLiteral("0000000001"), 1, true);
        f.assign(QStringLiteral("0000000003"), 1, false);
        f.assign(QStringLiteral("0000000004"), 1, true);
        f.assign(QStringLiteral("0000000002"), 2, true);
        f.start();
        f.host().with(1, [](sim::SimController& c) { c.setMemory({"0000000001", "0000000003"}); });
        f.host().with(2, [](sim::SimController& c) { c.setMemory({"0000000002", "0000000099"}); });

        QStringList antes;
        QStringList despues;
        QString pregunta;
        QString aviso;
        f.answerNextDialog([&](QWidget* dialog) {
            auto* ventana = static_cast<ui::F_Auditoria*>(dialog);
            antes = filas(ventana->L_Diferencias());
            f.answerNextDialog([&](QWidget* caja) {
                pregunta = static_cast<QMessageBox*>(caja)->text();
                static_cast<QMessageBox*>(caja)->button(QMessageBox::Yes)->click();
            });
            ventana->B_Corregir()->click();
            despues = filas(ventana->L_Diferencias());
            aviso = ui::Avisos::instance().ultimo();
            dialog->findChild<QPushButton*>(QStringLiteral("B_Cerrar"))->click();
        });
        f.click("B_Auditar");

        QCOMPARE(f.errors, QStringList{});
        QCOMPARE(
            antes,
            (QStringList{"1 Door A|2 differences", "  0000000004|Ruiz, Ana|Assigned, missing from the reader",
                         "  0000000003|Ruiz, Ana|Marked pending, already in the reader",
                         "2 Door B|1 difference", "  0000000099||In the reader, not assigned to it"}));
        QVERIFY2(pregunta.contains(QLatin1String(" 1 unknown")), qPrintable(pregunta));
        QCOMPARE(despues, (QStringList{"1 Door A|Agrees", "2 Door B|Agrees"}));
        QCOMPARE(aviso, QStringLiteral("Audit of the readers: agree 2, differ 0, could not be read 0."));
        QCOMPARE(f.mismatch(2), QString());
        QVERIFY(!ops::operacionEnCurso());
        QVERIFY(!ops::Operaciones::instance().suspendidos());
    }
};

QTEST_MAIN(TestAuditoriaVentana)
#include "tst_auditoria_ventana.moc"
