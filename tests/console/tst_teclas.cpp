// Keys of the main window's lists, the tooltips of its buttons and the heading of its panels.
#include "Fr_edit_controller.h"
#include "UF_Nuevo_Usr.h"
#include "avisos.h"
#include "consolefixture.h"

#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>

using namespace kestrum;
using kestrum::test::ConsoleFixture;

class TestTeclas : public QObject {
    Q_OBJECT
private slots:
    void keysOfTheLists();
    void tooltipsAndHeadings();
    void listsRebuiltWithoutActivation();
};

// Delete asks before deleting the holders, Enter opens the reader's editor, Ctrl+F the find dialog.
void TestTeclas::keysOfTheLists() {
    ConsoleFixture f(1);
    f.controller(1, QStringLiteral("Door A"));
    f.holder(7, QStringLiteral("Ann"));
    f.start();

    f.main().selecciona(ui::F_Main::Usuarios);
    f.select("Lista1", {7});
    QString asked;
    f.answerNextDialog([&](QWidget* d) {
        asked = d->objectName();
        d->close();
    });
    QTest::keyClick(f.main().findChild<QTreeView*>(QStringLiteral("Lista1")), Qt::Key_Delete);
    QVERIFY(!asked.isEmpty());
    QCOMPARE(f.scalar(QStringLiteral("SELECT COUNT(*) FROM DORQUSUARIO")).toInt(), 1);

    // A window shortcut: the window must be the active one, as it is when the operator types.
    f.main().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f.main()));
    QTest::keySequence(&f.main(), QKeySequence::Find);
    auto* find = f.main().findChild<QInputDialog*>(QStringLiteral("Find_user"));
    QVERIFY(find && find->isVisible());
    find->reject();

    f.main().selecciona(ui::F_Main::Lectores);
    f.select("L1_Contr", {1});
    QTest::keyClick(f.main().findChild<QTreeView*>(QStringLiteral("L1_Contr")), Qt::Key_Return);
    QVERIFY(f.w->editController->isVisible());
    QCOMPARE(f.w->editController->Edit1()->text(), QStringLiteral("1"));
    f.w->editController->reject();
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
}

void TestTeclas::tooltipsAndHeadings() {
    ConsoleFixture f;
    f.start();
    for (const char* b : {"B_Send", "B_Delete_Cx", "B_Salvar", "Image3"}) {
        const QString tip = f.main().findChild<QToolButton*>(QLatin1String(b))->toolTip();
        QCOMPARE(tip, ui::textoAviso(QStringLiteral("KS_F_Main_%1_Hint").arg(QLatin1String(b))));
        QVERIFY2(!tip.startsWith(QStringLiteral("\u00BF")), b);
    }
    auto* tabs = f.main().findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    auto* heading = f.main().findChild<QLabel*>(QStringLiteral("L_Cuerpo"));
    for (int tab : {1, 2}) {
        tabs->setCurrentIndex(tab);
        QCOMPARE(heading->text(), tabs->tabText(tab));
        // The lists' refresh on an activation or a change stays under its own heading.
        ui::Avisos::instance().publicaCambios();
        QCOMPARE(heading->text(), tabs->tabText(tab));
    }
    tabs->setCurrentIndex(0);
    f.main().selecciona(ui::F_Main::Tarjetas);
    QCOMPARE(heading->text(),
             f.main().findChild<QTreeWidget*>(QStringLiteral("Arbol1"))->currentItem()->text(0));
}

// A display without a window manager never activates the main window: what an editor stores shows
// in the list shown at once, and so does what a deletion removes.
void TestTeclas::listsRebuiltWithoutActivation() {
    ConsoleFixture f;
    f.start();
    f.main().selecciona(ui::F_Main::Usuarios);
    ui::ModeloLista& holders = f.list("Lista1");
    QCOMPARE(holders.filas(), 0);

    f.main().B_New_USR_MainClick();
    ui::F_Nuevo_Usr& e = *f.w->nuevoUsr;
    e.Edit1()->setText(QStringLiteral("Ann"));
    e.findChild<QPushButton*>(QStringLiteral("B_Aceptar"))->click();
    QCOMPARE(holders.filas(), 1);
    QCOMPARE(holders.fila(0).celdas.value(0), QStringLiteral("Ann"));
    e.reject();

    f.select("Lista1", {holders.fila(0).clave});
    f.answerNextDialog([](QWidget* d) {
        if (auto* yes = d->findChild<QPushButton*>(QStringLiteral("B_Yes")))
            yes->click();
    });
    f.click("B_Delete");
    QCOMPARE(f.scalar(QStringLiteral("SELECT COUNT(*) FROM DORQUSUARIO")).toInt(), 0);
    QCOMPARE(holders.filas(), 0);
}

QTEST_MAIN(TestTeclas)
#include "tst_teclas.moc"
