// The status line: what happened, or why nothing did, in the main window's status bar and the
// login window's message line.
#include "Lang.h"
#include "Variables.h"
#include "avisos.h"
#include "consolefixture.h"
#include "timings.h"

#include <QInputDialog>
#include <QLabel>
#include <QStatusBar>
#include <QTreeWidget>

using namespace kestrum;
using kestrum::test::ConsoleFixture;

class TestAvisos : public QObject {
    Q_OBJECT
private slots:
    void refusals_data();
    void refusals();
    void badSettingsValueNamesFileAndKey();
    void waitNamesReaderAndCommand();
};

namespace {

QString texto(const char* key, const QStringList& args = {}) {
    return ui::textoAviso(QLatin1String(key), args);
}

QLabel* linea(QWidget* w, const char* name) {
    return w->findChild<QLabel*>(QLatin1String(name));
}

} // namespace

enum Caso { LoginRechazado, DesbloqueoRechazado, SinCoincidencia, Informe };

void TestAvisos::refusals_data() {
    QTest::addColumn<int>("caso");
    QTest::newRow("login refused") << int(LoginRechazado);
    QTest::newRow("unlock refused") << int(DesbloqueoRechazado);
    QTest::newRow("search with no match") << int(SinCoincidencia);
    QTest::newRow("report shown") << int(Informe);
}

void TestAvisos::refusals() {
    QFETCH(int, caso);
    ConsoleFixture f;
    f.holder(7, QStringLiteral("Ann"));
    f.start(caso != LoginRechazado);
    auto* edit1 = f.w->login->findChild<QLineEdit*>(QStringLiteral("Edit1"));
    auto* edit2 = f.w->login->findChild<QLineEdit*>(QStringLiteral("Edit2"));
    QString expected;
    switch (caso) {
    case LoginRechazado:
        f.w->login->show();
        edit1->setText(QStringLiteral("admin"));
        edit2->setText(QStringLiteral("wrong"));
        f.w->login->B_AceptarClick();
        QVERIFY(!f.main().isVisible());
        expected = texto("KS_Login_refused");
        QCOMPARE(linea(f.w->login.get(), "L_Mensaje")->text(), expected);
        break;
    case DesbloqueoRechazado:
        f.main().B_LoginClick();
        edit1->setText(QStringLiteral("other"));
        edit2->setText(QStringLiteral("admin"));
        f.w->login->B_AceptarClick();
        QVERIFY(f.w->login->isVisible());
        expected = texto("KS_Unlock_refused");
        break;
    case SinCoincidencia: {
        f.main().selecciona(ui::F_Main::Usuarios);
        f.click("SpeedButton25");
        auto* find = f.main().findChild<QInputDialog*>(QStringLiteral("Find_user"));
        QVERIFY(find);
        find->setTextValue(QStringLiteral("Zed"));
        find->accept();
        QVERIFY(find->isVisible()); // stays for another try
        expected = texto("KS_No_match", {QStringLiteral("Zed")});
        break;
    }
    case Informe: {
        auto* tree = f.main().findChild<QTreeWidget*>(QStringLiteral("Arbol_REPORTS"));
        QTreeWidgetItem* users = tree->topLevelItem(0)->child(0);
        tree->setCurrentItem(users);
        expected = texto("KS_Report_shown", {users->text(0), texto("KS_Report_one_page")});
        break;
    }
    }
    QVERIFY(!expected.startsWith(config::Lang::missingText()));
    QCOMPARE(ui::Avisos::instance().ultimo(), expected);
    if (caso != LoginRechazado)
        QCOMPARE(linea(&f.main(), "L_Estado")->text(), expected);
}

void TestAvisos::badSettingsValueNamesFileAndKey() {
    ConsoleFixture f;
    f.root.write(QStringLiteral("KESTRUM20.INI"), "[General]\nIdioma=ENGLISH\nUSA_LECTOR=two\n");
    f.start(false);
    QCOMPARE(ui::Avisos::instance().ultimo(),
             texto("KS_Settings_bad_value",
                   {config::Variables::fileName(), QStringLiteral("USA_LECTOR"), QStringLiteral("two")}));
    // The described error box is still shown.
    QVERIFY2(f.errors.join('\n').contains(QStringLiteral("'two' is not a valid integer value")),
             qPrintable(f.errors.join('\n')));
}

void TestAvisos::waitNamesReaderAndCommand() {
    ConsoleFixture f(1);
    f.controller(1, QStringLiteral("Door A"));
    f.start();
    f.host().with(1, [](sim::SimController& c) { c.setSilent(true); });
    QString seen;
    QTimer::singleShot(timings().scale(200), [&] { seen = f.main().statusBar()->currentMessage(); });
    f.click("B_Test_TODOS");
    QCOMPARE(seen, texto("KS_Waiting", {"1", "Door A", texto("KS_Command_27")}));
    QCOMPARE(f.main().statusBar()->currentMessage(), QString());
}

QTEST_MAIN(TestAvisos)
#include "tst_avisos.moc"
