// Export and import as the operator uses them: the sheet written from the cards list, a sheet read
// into the import window with its invalid rows marked, the readers chosen, and the lists after it.
#include "Fr_Exp_imp.h"
#include "Fr_imp_XLS.h"
#include "avisos.h"
#include "consolefixture.h"
#include "hojas.h"
#include "udorqcolecciontarjeta.h"

#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>

using namespace kestrum;
using kestrum::test::ConsoleFixture;

class TestExpImp : public QObject {
    Q_OBJECT
private slots:
    void exportWritesTheCardsList() {
        ConsoleFixture f;
        f.holder(1, QStringLiteral("Seán"), QStringLiteral("Núñez"));
        f.card(QStringLiteral("0000012345"), 1);
        f.card(QStringLiteral("0000000007"));
        f.start();
        QTemporaryDir dir;
        // No extension typed: a workbook.
        try {
            f.w->expImp->Exporta(dir.filePath(QStringLiteral("cards")));
        } catch (const Error& e) {
            QFAIL(qPrintable(e.message()));
        }
        QCOMPARE(f.errors, QStringList{});
        const std::vector<store::FilaHoja> hoja = store::leeHoja(dir.filePath(QStringLiteral("cards.xlsx")));
        QCOMPARE(hoja.size(), std::size_t(3));
        QCOMPARE(hoja[0], (store::FilaHoja{"Card", "Name", "Surname"}));
        QVERIFY(std::find(hoja.begin(), hoja.end(),
                          store::FilaHoja{QStringLiteral("0000012345"), QStringLiteral("Seán"),
                                          QStringLiteral("Núñez")}) != hoja.end());
        QVERIFY(std::find(hoja.begin(), hoja.end(), store::FilaHoja{QStringLiteral("0000000007"), {}, {}}) !=
                hoja.end());
    }

    void emptyInstallationExportsTheHeader() {
        ConsoleFixture f;
        f.start();
        QTemporaryDir dir;
        f.w->expImp->Exporta(dir.filePath(QStringLiteral("none.csv")));
        QCOMPARE(store::leeHoja(dir.filePath(QStringLiteral("none.csv"))).size(), std::size_t(1));
    }

    void importWithTheReadersChosen() {
        ConsoleFixture f;
        f.controller(1, QStringLiteral("Door A"));
        f.controller(2, QStringLiteral("Door B"));
        f.start();
        QTemporaryDir dir;
        const QString fichero = dir.filePath(QStringLiteral("in.csv"));
        store::escribeHoja(fichero, {"Code", "Name", "Surname"},
                           {{"12345", "Ana", "Ruiz"}, {"x1", "Bad", "Row"}, {"777", "Ana", "Ruiz"}});
        f.answerNextDialog([](QWidget* dialog) {
            auto* d = static_cast<ui::F_imp_XLS*>(dialog);
            QCOMPARE(d->Lista1()->topLevelItemCount(), 3);
            QCOMPARE(d->Lista1()->topLevelItem(0)->text(0), QStringLiteral("0000012345"));
            QVERIFY(!d->Lista1()->topLevelItem(1)->toolTip(0).isEmpty()); // marked as skipped
            QCOMPARE(d->CH2()->count(), 2);
            QCOMPARE(d->CH2()->item(0)->checkState(), Qt::Checked);
            QCOMPARE(d->CH2()->item(1)->checkState(), Qt::Checked);
            d->CH2()->item(0)->setCheckState(Qt::Unchecked);
            d->B_add()->click();
        });
        f.w->expImp->Importa(fichero);
        QCOMPARE(f.errors, QStringList{});
        QCOMPARE(f.rows(QStringLiteral(
                     "SELECT TARJETA, CONTROLADOR, \"_STOREDINHW\" FROM DORQCONTROLADORTARJETA")),
                 (QStringList{"0000000777:2:N", "0000012345:2:N"}));
        QCOMPARE(f.scalar(QStringLiteral("SELECT COUNT(*) FROM DORQUSUARIO")).toInt(), 1);
        QVERIFY2(ui::Avisos::instance().ultimo().contains(QLatin1String("2 cards added")),
                 qPrintable(ui::Avisos::instance().ultimo()));
        QCOMPARE(ui::Consola::instance().sistema->Tarjetas()->Cuenta(), 2);
    }

    void unreadableFileSaysWhy() {
        ConsoleFixture f;
        f.start();
        try {
            f.w->expImp->Importa(QStringLiteral("/nonexistent/in.xlsx"));
            QFAIL("no error");
        } catch (const Error& e) {
            QVERIFY2(
                e.message().startsWith(QLatin1String("The spreadsheet file could not be read or written:")) &&
                    e.message().contains(QLatin1String("/nonexistent/in.xlsx")),
                qPrintable(e.message()));
        }
    }
};

QTEST_MAIN(TestExpImp)
#include "tst_exp_imp.moc"
