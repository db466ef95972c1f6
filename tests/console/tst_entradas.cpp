// What the operator types into the dialogs: entries held to their column's length, typing kept
// after a database error, the questions and refusals the dialogs answer with.
#include "Lang.h"
#include "UF_Edit_User.h"
#include "UF_Nuevo_Usr.h"
#include "UF_Nuevo_login.h"
#include "avisos.h"
#include "consolefixture.h"
#include "formas.h"
#include "limites.h"

#include <QComboBox>
#include <QDateEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimeEdit>

using namespace kestrum;
using kestrum::test::ConsoleFixture;

namespace {

QWidget* ventana(const QString& name) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == name)
            return w;
    }
    return nullptr;
}

// "Edit1=Ann" pairs into the window's entries.
void rellena(QWidget* w, const QStringList& campos) {
    for (const QString& c : campos) {
        const QStringList p = c.split(QLatin1Char('='));
        auto* e = w->findChild<QLineEdit*>(p[0]);
        QVERIFY2(e, qPrintable(p[0]));
        e->setText(p[1]);
    }
}

void ejecuta(const QString& database, const QStringList& statements) {
    QSqlDatabase db = store::Db::connect(database);
    for (const QString& sql : statements)
        store::Db::exec(db, sql);
    store::Db::disconnect(db);
}

// Inserts and updates of `table` fail once a row is in KS_FALLA: the switch is a row, not a change
// of metadata, since the console holds the database open when the test throws it.
void preparaFallo(const QString& database, const QString& table) {
    ejecuta(database, {QStringLiteral("CREATE TABLE KS_FALLA (N INTEGER)"),
                       QStringLiteral("CREATE EXCEPTION KS_FALLA 'forced failure'"),
                       QStringLiteral("CREATE TRIGGER KS_FALLA_%1 FOR %1 BEFORE INSERT OR UPDATE AS BEGIN "
                                      "IF (EXISTS (SELECT 1 FROM KS_FALLA)) THEN EXCEPTION KS_FALLA; END")
                           .arg(table)});
}

} // namespace

class TestEntradas : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { f_.reset(); }

    void entriesHoldTheColumnLength_data();
    void entriesHoldTheColumnLength();
    void longNameStoredCut();
    void typingSurvivesDatabaseError_data();
    void typingSurvivesDatabaseError();
    void holderWithoutName_data();
    void holderWithoutName();
    void levelIgnoresTypedKeys();
    void expiryStartsNow();
    void loginRefusalsSayWhy_data();
    void loginRefusalsSayWhy();

private:
    ConsoleFixture& arranca() {
        f_ = std::make_unique<ConsoleFixture>();
        f_->start();
        return *f_;
    }
    std::unique_ptr<ConsoleFixture> f_;
};

void TestEntradas::entriesHoldTheColumnLength_data() {
    using namespace store::limites;
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("length");
    QTest::newRow("holder name") << "F_Nuevo_Usr"
                                 << "Edit1" << dorqusuario::NOMBRE;
    QTest::newRow("holder surname") << "F_Nuevo_Usr"
                                    << "Edit2" << dorqusuario::APELLIDOS;
    QTest::newRow("edited holder name") << "F_Edit_User"
                                        << "Edit1" << dorqusuario::NOMBRE;
    QTest::newRow("new reader") << "F_Contr_N"
                                << "Edit2" << dorqcontrolador::DESCRIPCION;
    QTest::newRow("edited reader") << "F_edit_controller"
                                   << "Edit2" << dorqcontrolador::DESCRIPCION;
    QTest::newRow("login") << "F_Nuevo_login"
                           << "Edit1" << usuario::LOGIN;
    QTest::newRow("installation") << "F_Gestion_BD"
                                  << "E_Nueva" << instalacion::NOMBRE;
}

void TestEntradas::entriesHoldTheColumnLength() {
    QFETCH(QString, window);
    QFETCH(QString, entry);
    QFETCH(int, length);
    arranca();
    QWidget* w = ventana(window);
    QVERIFY(w);
    auto* e = w->findChild<QLineEdit*>(entry);
    QVERIFY(e);
    QTest::keyClicks(e, QString(length + 54, QLatin1Char('x')));
    QCOMPARE(e->text().size(), length);
}

// A 154-character name typed into the new-holder editor is stored as far as its column holds.
void TestEntradas::longNameStoredCut() {
    ConsoleFixture& f = arranca();
    f.main().B_New_USR_MainClick();
    ui::F_Nuevo_Usr& n = *f.w->nuevoUsr;
    QTest::keyClicks(n.Edit1(), QString(154, QLatin1Char('n')));
    n.findChild<QPushButton*>(QStringLiteral("B_Aceptar"))->click();
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
    QCOMPARE(f.scalar(QStringLiteral("SELECT CHAR_LENGTH(NOMBRE) FROM DORQUSUARIO")).toInt(),
             store::limites::dorqusuario::NOMBRE);
}

void TestEntradas::typingSurvivesDatabaseError_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("catalogue");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("before"); // set before the window is shown
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QString>("button");
    QTest::newRow("new holder") << "F_Nuevo_Usr" << false << "DORQUSUARIO" << QStringList{}
                                << QStringList{"Edit1=Ann", "Edit2=Lee"} << "B_Aceptar";
    QTest::newRow("edited holder") << "F_Edit_User" << false << "DORQUSUARIO" << QStringList{"L_CLAVE=7"}
                                   << QStringList{"Edit1=Ann", "Edit2=Lee"} << "B_Aceptar";
    QTest::newRow("new reader") << "F_Contr_N" << false << "DORQCONTROLADOR" << QStringList{}
                                << QStringList{"Edit1=5", "Edit3=5", "Edit2=Hall"} << "B_add";
    QTest::newRow("edited reader") << "F_edit_controller" << false << "DORQCONTROLADOR"
                                   << QStringList{"Edit1=1"} << QStringList{"Edit2=Hall"} << "BitBtn1";
    QTest::newRow("new card") << "F_New_Card" << false << "DORQTARJETA" << QStringList{}
                              << QStringList{"E_Tarjeta=0000000042"} << "B_Aceptar";
    QTest::newRow("new login") << "F_Nuevo_login" << true << "USUARIO" << QStringList{}
                               << QStringList{"Edit1=pepe", "Edit2=pw", "Edit3=pw"} << "B_Aceptar";
}

void TestEntradas::typingSurvivesDatabaseError() {
    QFETCH(QString, window);
    QFETCH(bool, catalogue);
    QFETCH(QString, table);
    QFETCH(QStringList, before);
    QFETCH(QStringList, typed);
    QFETCH(QString, button);
    // Reader 1 answers at once: a reader without a port would hold the start in its test.
    f_ = std::make_unique<ConsoleFixture>(1);
    ConsoleFixture& f = *f_;
    f.holder(7, QStringLiteral("Bo"), QStringLiteral("Ruiz"));
    f.controller(1, QStringLiteral("Door A"));
    const QString database = catalogue ? f.root.catalogue() : f.root.installation(1);
    preparaFallo(database, table);
    f.start();
    QWidget* w = ventana(window);
    QVERIFY(w);
    rellena(w, before);
    w->show();
    // A window that tests its reader once it is up fills its fields then.
    QTRY_VERIFY(!w->property(ui::PREPARANDO).toBool());
    rellena(w, typed);
    ejecuta(database, {QStringLiteral("INSERT INTO KS_FALLA VALUES (1)")});
    w->findChild<QPushButton*>(button)->click();

    QCOMPARE(f.errors.size(), 1);
    QVERIFY2(f.errors.first().contains(QLatin1String("forced failure")), qPrintable(f.errors.first()));
    QVERIFY(w->isVisible());
    for (const QString& c : typed) {
        const QStringList p = c.split(QLatin1Char('='));
        QCOMPARE(w->findChild<QLineEdit*>(p[0])->text(), p[1]);
    }
}

void TestEntradas::holderWithoutName_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("no") << false;
    QTest::newRow("yes") << true;
}

// The question defaults to No; No keeps the editor as it is and stores nothing.
void TestEntradas::holderWithoutName() {
    QFETCH(bool, yes);
    ConsoleFixture& f = arranca();
    f.main().B_New_USR_MainClick();
    ui::F_Nuevo_Usr& n = *f.w->nuevoUsr;
    n.Edit2()->setText(QStringLiteral("Lee"));
    QMessageBox::StandardButton porDefecto = QMessageBox::NoButton;
    f.answerNextDialog([&](QWidget* d) {
        auto* box = qobject_cast<QMessageBox*>(d);
        QVERIFY(box);
        porDefecto = box->standardButton(box->defaultButton());
        box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
    });
    n.findChild<QPushButton*>(QStringLiteral("B_Aceptar"))->click();
    QCOMPARE(porDefecto, QMessageBox::No);
    QCOMPARE(f.rows(QStringLiteral("SELECT APELLIDOS FROM DORQUSUARIO")),
             yes ? QStringList{"Lee"} : QStringList{});
    QCOMPARE(n.Edit2()->text(), yes ? QString() : QStringLiteral("Lee"));
    if (!yes)
        QCOMPARE(ui::Avisos::instance().ultimo(), ui::textoAviso(QStringLiteral("KS_Dlg_No_name_kept")));
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
}

// Typing the first letter of a level chooses nothing; the arrow keys do.
void TestEntradas::levelIgnoresTypedKeys() {
    ConsoleFixture& f = arranca();
    f.w->nuevoLogin->show();
    auto* nivel = f.w->nuevoLogin->findChild<QComboBox*>(QStringLiteral("C_Nivel"));
    nivel->setFocus();
    nivel->setCurrentIndex(-1);
    QTest::keyClicks(nivel, nivel->itemText(0).left(1) + nivel->itemText(1).left(1));
    QCOMPARE(nivel->currentIndex(), -1);
    nivel->setCurrentIndex(1);
    QTest::keyClicks(nivel, nivel->itemText(0).left(1));
    QCOMPARE(nivel->currentIndex(), 1);
    QTest::keyClick(nivel, Qt::Key_Up);
    QCOMPARE(nivel->currentIndex(), 0);
}

// Ticking the expiry box and accepting never stores a card expired already.
void TestEntradas::expiryStartsNow() {
    ConsoleFixture& f = *(f_ = std::make_unique<ConsoleFixture>());
    f.holder(7, QStringLiteral("Bo"));
    f.start();
    f.main().B_New_USR_MainClick();
    f.main().selecciona(ui::F_Main::Usuarios);
    f.select("Lista1", {7});
    f.click("B_edit_usr");
    for (ui::EditorTitular* e : {static_cast<ui::EditorTitular*>(f.w->nuevoUsr.get()),
                                 static_cast<ui::EditorTitular*>(f.w->editUser.get())}) {
        QVERIFY(e->isVisible());
        const qint64 desfase = qAbs(e->caducidad().caducidad().secsTo(QDateTime::currentDateTime()));
        QVERIFY2(desfase < 60, qPrintable(e->objectName()));
    }
}

void TestEntradas::loginRefusalsSayWhy_data() {
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("args");
    QTest::newRow("empty field") << QStringList{"Edit1=ana", "Edit2=pw"} << 1 << "KS_Dlg_Login_empty"
                                 << QStringList{};
    QTest::newRow("confirmation differs") << QStringList{"Edit1=ana", "Edit2=pw", "Edit3=Pw"} << 1
                                          << "KS_Dlg_Login_confirmation" << QStringList{};
    QTest::newRow("login exists") << QStringList{"Edit1=Admin", "Edit2=pw", "Edit3=pw"} << 1
                                  << "KS_Dlg_Login_exists" << QStringList{"admin"};
    QTest::newRow("no level") << QStringList{"Edit1=ana", "Edit2=pw", "Edit3=pw"} << -1
                              << "KS_Dlg_Login_added_no_level" << QStringList{"ana", "Operator"};
    QTest::newRow("added") << QStringList{"Edit1=ana", "Edit2=pw", "Edit3=pw"} << 0 << "KS_Dlg_Login_added"
                           << QStringList{"ana", "Administrator"};
}

void TestEntradas::loginRefusalsSayWhy() {
    QFETCH(QStringList, typed);
    QFETCH(int, level);
    QFETCH(QString, key);
    QFETCH(QStringList, args);
    ConsoleFixture& f = arranca();
    ui::F_Nuevo_login& d = *f.w->nuevoLogin;
    d.show();
    rellena(&d, typed);
    d.findChild<QComboBox*>(QStringLiteral("C_Nivel"))->setCurrentIndex(level);
    d.findChild<QPushButton*>(QStringLiteral("B_Aceptar"))->click();
    const QString expected = ui::textoAviso(key, args);
    QVERIFY2(!expected.contains(config::Lang::missingText()), qPrintable(key));
    QCOMPARE(ui::Avisos::instance().ultimo(), expected);
}

QTEST_MAIN(TestEntradas)
#include "tst_entradas.moc"
