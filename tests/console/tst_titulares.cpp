// The holder editors opened from the users list, on a real installation and simulated controllers:
// what the database and the controllers' memories hold after each accept.
#include "Lang.h"
#include "UF_Edit_User.h"
#include "UF_New_Card.h"
#include "UF_Nuevo_Usr.h"
#include "Variables.h"
#include "avisos.h"
#include "consolefixture.h"
#include "operacion.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcoleccionusuario.h"
#include "udorqcontrolador.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QToolButton>
#include <QTreeWidget>

using namespace kestrum;
using kestrum::test::ConsoleFixture;

namespace {

const QString A = QStringLiteral("0000000001");
const QString B = QStringLiteral("0000000002");
const QString C = QStringLiteral("0000000003");
const QString CADUCIDAD = QStringLiteral("2031-05-06 07:08:09.0000");
// Sets the expiry of every card entered so far; a card uses it only if its USAR_FECHA_CAD says so.
const QString EXPIRAN =
    QStringLiteral("UPDATE DORQTARJETA SET FECHA_CADUCIDAD=timestamp '2031-05-06 07:08:09'");

QStringList asignaciones(ConsoleFixture& f) {
    return f.rows(QStringLiteral("SELECT TARJETA, CONTROLADOR, \"_STOREDINHW\" FROM DORQCONTROLADORTARJETA"));
}

QStringList filasLista(const ui::EditorTitular& e) {
    QStringList out;
    for (int i = 0; i < e.Lista1()->topLevelItemCount(); ++i)
        out << e.Lista1()->topLevelItem(i)->text(0);
    return out;
}

QList<int> lectoresMarcados(const ui::EditorTitular& e) {
    QList<int> out;
    for (int i = 0; i < e.CHLista1()->count(); ++i) {
        if (e.CHLista1()->item(i)->checkState() == Qt::Checked)
            out << e.CHLista1()->item(i)->data(Qt::UserRole).toInt();
    }
    return out;
}

void marcaLectores(ui::EditorTitular& e, const QList<int>& lectores) {
    for (int i = 0; i < e.CHLista1()->count(); ++i) {
        QListWidgetItem* item = e.CHLista1()->item(i);
        item->setCheckState(lectores.contains(item->data(Qt::UserRole).toInt()) ? Qt::Checked
                                                                                : Qt::Unchecked);
    }
}

void escribeTarjeta(ui::EditorTitular& e, const QString& teclas) {
    e.C_Tarjetas()->setEditText(QString());
    QTest::keyClicks(e.C_Tarjetas(), teclas); // where the keyboard focus is
}

void acepta(ui::EditorTitular& e) {
    e.findChild<QPushButton*>(QStringLiteral("B_Aceptar"))->click();
}

// Holder 7 "Bo Lee" with A stored in controller 1 and B in controller 2, both expiring in 2031.
void titularConDosTarjetas(ConsoleFixture& f) {
    f.controller(1, QStringLiteral("Door A"));
    f.controller(2, QStringLiteral("Door B"));
    f.holder(7, QStringLiteral("Bo"), QStringLiteral("Lee"));
    f.card(A, 7);
    f.card(B, 7);
    f.sql(EXPIRAN);
    f.assign(A, 1, true);
    f.assign(B, 2, true);
}

void guardaFoto(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage img(8, 8, QImage::Format_RGB32);
    img.fill(Qt::red);
    QVERIFY(img.save(path, "PNG"));
}

} // namespace

class TestTitulares : public QObject {
    Q_OBJECT
private slots:
    void windowTexts();
    void newHolder_data();
    void newHolder();
    void newHolderTakesHeldCard_data();
    void newHolderTakesHeldCard();
    void cardEntry();
    void editHolder();
    void editHolderSilentController();
    void photo();
    void desktopReader_data();
    void desktopReader();
    void lockKeepsEditor();
    void twoEditorsOpen();
};

void TestTitulares::windowTexts() {
    ConsoleFixture f;
    f.start(false);
    const auto& lang = config::Lang::instance();
    for (const QString& ventana : {QStringLiteral("F_Nuevo_Usr"), QStringLiteral("F_Edit_User")}) {
        auto* w = f.main().findChild<ui::EditorTitular*>(ventana);
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), lang.text(ventana + "_Caption"));
        QCOMPARE(w->findChild<QLabel*>(QStringLiteral("Label1"))->text(),
                 lang.text(ventana + "_Label1_Caption"));
        QCOMPARE(w->CH1()->text(), lang.text(ventana + "_CH1_Caption"));
        QCOMPARE(w->caducidad().CH_Usar_Caducidad()->text(),
                 lang.text(ventana + "_CH_Usar_Caducidad_Caption"));
        QCOMPARE(w->Lista1()->headerItem()->text(0), lang.text(ventana + "_Lista1_Columns0_Caption"));
        QCOMPARE(w->findChild<QPushButton*>(QStringLiteral("B_Aceptar"))->text(),
                 lang.text(ventana + "_B_Aceptar_Caption"));
        QCOMPARE(w->findChild<QToolButton*>(QStringLiteral("B_Mas"))->toolTip(),
                 lang.text(QStringLiteral("KS_Dlg_Tip_add_card")));
        QCOMPARE(w->caducidad().E_Fecha_cad()->toolTip(), lang.text(QStringLiteral("KS_Dlg_Expiry_cards")));
    }
    auto* menu = f.w->nuevoUsr->findChild<QAction*>(QStringLiteral("Delete1"));
    QVERIFY(menu);
    QCOMPARE(menu->text(), lang.text(QStringLiteral("F_Nuevo_Usr_Delete1_Caption")));
}

void TestTitulares::newHolder_data() {
    QTest::addColumn<bool>("silenciosos");
    QTest::addColumn<QList<int>>("lectores");
    QTest::addColumn<QStringList>("filas");
    QTest::newRow("two readers") << false << QList<int>{1, 2}
                                 << QStringList{A + ":1:S", A + ":2:S", C + ":1:S", C + ":2:S"};
    QTest::newRow("all silent") << true << QList<int>{1, 2}
                                << QStringList{A + ":1:N", A + ":2:N", C + ":1:N", C + ":2:N"};
    QTest::newRow("one reader") << false << QList<int>{2} << QStringList{A + ":2:S", C + ":2:S"};
    QTest::newRow("no reader") << false << QList<int>{} << QStringList{};
}

// A free card of the store (A) and a new code (C) for a new holder, through the users list's button.
void TestTitulares::newHolder() {
    QFETCH(bool, silenciosos);
    QFETCH(QList<int>, lectores);
    QFETCH(QStringList, filas);
    ConsoleFixture f(2);
    f.controller(1, QStringLiteral("Door A"));
    f.controller(2, QStringLiteral("Door B"));
    f.card(A);
    f.sql(EXPIRAN);
    f.start();
    for (int n : {1, 2})
        f.host().with(n, [&](sim::SimController& c) { c.setSilent(silenciosos); });

    f.click("B_New_USR_Usr");
    ui::F_Nuevo_Usr& e = *f.w->nuevoUsr;
    QVERIFY(e.isVisible());
    QVERIFY(!f.main().timerPeriodico()->isActive());
    QCOMPARE(lectoresMarcados(e), (QList<int>{1, 2})); // every reader ticked at first
    e.Edit1()->setText(QStringLiteral("Ann"));
    e.Edit2()->setText(QStringLiteral("O'Hara"));
    escribeTarjeta(e, QStringLiteral("1\r"));
    escribeTarjeta(e, QStringLiteral("3"));
    e.findChild<QToolButton*>(QStringLiteral("B_Mas"))->click();
    QCOMPARE(filasLista(e), (QStringList{A, C}));
    marcaLectores(e, lectores);
    acepta(e);
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));

    const int id = f.scalar(QStringLiteral("SELECT ID FROM DORQUSUARIO WHERE APELLIDOS='O''Hara'")).toInt();
    QVERIFY(id > 0);
    QCOMPARE(f.rows(QStringLiteral("SELECT CODIGO_TARJETA, USUARIO, USAR_FECHA_CAD FROM DORQTARJETA")),
             (QStringList{A + QStringLiteral(":%1:N").arg(id), C + QStringLiteral(":%1:N").arg(id)}));
    QCOMPARE(asignaciones(f), filas);
    QCOMPARE(f.mismatch(2), QString());
    // The status line names each send that was not acknowledged, or else what was stored.
    QStringList envios;
    for (const QString& codigo : {A, C}) {
        for (int n : lectores) {
            if (silenciosos)
                envios << ui::textoAviso("KS_Dlg_Send", {n == 1 ? "1 Door A" : "2 Door B", codigo});
        }
    }
    const auto tarjetas = [](int n) { return ui::cuenta(n, "KS_Dlg_One_card", "KS_Dlg_N_cards"); };
    QCOMPARE(ui::Avisos::instance().ultimo(),
             envios.isEmpty()
                 ? ui::textoAviso("KS_Dlg_Holder_stored", {"Ann O'Hara", tarjetas(2)})
                 : ui::textoAviso("KS_Dlg_Not_acknowledged", {tarjetas(envios.size()), envios.join("; ")}));
    if (silenciosos)
        QCOMPARE(f.host().with(1, [](sim::SimController& c) { return c.commandCount(97); }), 0);

    // Ready for the next holder, and events come back when it closes.
    QVERIFY(e.isVisible());
    QVERIFY(filasLista(e).isEmpty());
    QVERIFY(e.Edit1()->text().isEmpty());
    e.findChild<QPushButton*>(QStringLiteral("B_Cancelar"))->click();
    QVERIFY(!e.isVisible());
    QVERIFY(f.main().timerPeriodico()->isActive());
}

void TestTitulares::newHolderTakesHeldCard_data() {
    QTest::addColumn<bool>("pendiente");     // B's row for controller 2 is pending, its memory empty
    QTest::addColumn<bool>("rechazaBorrar"); // controller 2 refuses to erase
    QTest::addColumn<QList<int>>("lectores");
    QTest::addColumn<QStringList>("filas");
    QTest::addColumn<QStringList>("memoria2");
    const QStringList ambas{B + ":1:S", B + ":2:S"};
    QTest::newRow("erased") << false << false << QList<int>{1} << QStringList{B + ":1:S"} << QStringList{};
    QTest::newRow("erase refused") << false << true << QList<int>{1, 2} << ambas << QStringList{B};
    QTest::newRow("pending, erase refused") << true << true << QList<int>{1, 2} << ambas << QStringList{B};
}

// B belongs to holder 7 and is assigned to controller 2; a new holder takes it. A row the erase
// could not drop ends marked as the new send left the controller.
void TestTitulares::newHolderTakesHeldCard() {
    QFETCH(bool, pendiente);
    QFETCH(bool, rechazaBorrar);
    QFETCH(QList<int>, lectores);
    QFETCH(QStringList, filas);
    QFETCH(QStringList, memoria2);
    ConsoleFixture f(2);
    titularConDosTarjetas(f);
    if (pendiente) {
        f.sql(QStringLiteral("UPDATE DORQCONTROLADORTARJETA SET \"_STOREDINHW\"='N' WHERE CONTROLADOR=2"));
        f.host().with(2, [](sim::SimController& c) { c.setMemory({}); });
    }
    f.start();
    if (rechazaBorrar)
        f.host().with(2, [](sim::SimController& c) { c.refuse(65); });
    f.main().B_New_USR_MainClick();
    ui::F_Nuevo_Usr& n = *f.w->nuevoUsr;
    n.Edit1()->setText(QStringLiteral("New"));
    escribeTarjeta(n, QStringLiteral("2\r"));
    QCOMPARE(n.Lista1()->topLevelItem(0)->data(0, Qt::UserRole).toInt(), int(ui::EditorTitular::ConTitular));
    marcaLectores(n, lectores);
    acepta(n);
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
    const int id = f.scalar(QStringLiteral("SELECT ID FROM DORQUSUARIO WHERE NOMBRE='New'")).toInt();
    QCOMPARE(
        f.scalar(QStringLiteral("SELECT USUARIO FROM DORQTARJETA WHERE CODIGO_TARJETA='%1'").arg(B)).toInt(),
        id);
    QCOMPARE(f.rows(QStringLiteral("SELECT TARJETA, CONTROLADOR, \"_STOREDINHW\" FROM DORQCONTROLADORTARJETA "
                                   "WHERE TARJETA='%1'")
                        .arg(B)),
             filas);
    QCOMPARE(f.sortedMemory(2), memoria2);
    QCOMPARE(f.mismatch(2), QString());
}

// Keys, padding, duplicates, the free-cards filter and removing a row.
void TestTitulares::cardEntry() {
    ConsoleFixture f;
    f.holder(7, QStringLiteral("Bo"), QStringLiteral("Lee"));
    f.card(A);
    f.card(B, 7);
    f.sql(EXPIRAN);
    f.start();
    f.main().B_New_USR_MainClick();
    ui::F_Nuevo_Usr& n = *f.w->nuevoUsr;
    QCOMPARE(n.C_Tarjetas()->count(), 2);
    n.CH1()->setChecked(true);
    QCOMPARE(n.C_Tarjetas()->count(), 1);
    QCOMPARE(n.C_Tarjetas()->itemText(0), A);

    escribeTarjeta(n, QStringLiteral("1x2-3"));
    QCOMPARE(n.C_Tarjetas()->currentText(), QStringLiteral("123"));
    escribeTarjeta(n, QStringLiteral("\r"));
    escribeTarjeta(n, QStringLiteral("2\r"));
    escribeTarjeta(n, QStringLiteral("0000000002\r")); // already listed
    QCOMPARE(filasLista(n), (QStringList{QStringLiteral("0000000000"), B}));
    QCOMPARE(n.Lista1()->topLevelItem(0)->data(0, Qt::UserRole).toInt(), int(ui::EditorTitular::Nueva));
    QCOMPARE(n.Lista1()->topLevelItem(1)->data(0, Qt::UserRole).toInt(), int(ui::EditorTitular::ConTitular));
    n.Lista1()->setCurrentItem(n.Lista1()->topLevelItem(0));
    n.findChild<QAction*>(QStringLiteral("Delete1"))->trigger();
    QCOMPARE(filasLista(n), QStringList{B});
    QTest::keyClicks(n.C_Tarjetas(), QStringLiteral("5\r")); // replaces the code left in the entry
    QCOMPARE(filasLista(n), (QStringList{B, QStringLiteral("0000000005")}));
    n.reject();

    // The holder editor adds on Enter only from nine characters on; the button always pads.
    f.holder(8, QStringLiteral("Cy"), QStringLiteral("Ng"));
    f.sistema().Usuarios()->Carga();
    f.main().selecciona(ui::F_Main::Usuarios);
    f.select("Lista1", {8});
    f.click("B_edit_usr");
    ui::F_Edit_User& e = *f.w->editUser;
    escribeTarjeta(e, QStringLiteral("12345678\r"));
    QVERIFY(filasLista(e).isEmpty());
    e.findChild<QToolButton*>(QStringLiteral("B_Mas"))->click();
    QCOMPARE(filasLista(e), QStringList{QStringLiteral("0012345678")});
    escribeTarjeta(e, QStringLiteral("123456789\r"));
    QCOMPARE(filasLista(e), (QStringList{QStringLiteral("0012345678"), QStringLiteral("0123456789")}));
    e.reject();
    QVERIFY(f.errors.isEmpty());
}

// Holder 7 has A in controller 1 and B (with an expiry) in controller 2. The operator removes A,
// adds C and keeps only reader 1.
void TestTitulares::editHolder() {
    ConsoleFixture f(2);
    titularConDosTarjetas(f);
    f.sql(QStringLiteral("UPDATE DORQTARJETA SET USAR_FECHA_CAD='S' WHERE CODIGO_TARJETA='%1'").arg(B));
    f.start();
    f.main().selecciona(ui::F_Main::Usuarios);
    f.select("Lista1", {7});
    f.click("B_edit_usr");
    ui::F_Edit_User& e = *f.w->editUser;
    QVERIFY(e.isVisible());
    QCOMPARE(e.L_CLAVE()->text(), QStringLiteral("7"));
    QCOMPARE(e.Edit1()->text(), QStringLiteral("Bo"));
    QCOMPARE(filasLista(e), (QStringList{A, B}));
    QCOMPARE(lectoresMarcados(e), (QList<int>{1, 2}));
    // The expiry of B shows although A, listed first, has none.
    QVERIFY(e.caducidad().usar());
    QCOMPARE(e.caducidad().caducidad(), QDateTime(QDate(2031, 5, 6), QTime(7, 8, 9)));

    e.Lista1()->setCurrentItem(e.Lista1()->topLevelItem(0));
    e.findChild<QToolButton*>(QStringLiteral("B_Eliminar"))->click();
    escribeTarjeta(e, C);
    e.findChild<QToolButton*>(QStringLiteral("B_Mas"))->click();
    marcaLectores(e, {1});
    e.Edit2()->setText(QStringLiteral("Li"));
    acepta(e);
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));

    QCOMPARE(f.rows(QStringLiteral("SELECT NOMBRE, APELLIDOS FROM DORQUSUARIO")), QStringList{"Bo:Li"});
    QCOMPARE(f.rows(QStringLiteral("SELECT CODIGO_TARJETA, USUARIO, USAR_FECHA_CAD, CAST(FECHA_CADUCIDAD AS "
                                   "VARCHAR(24)) FROM DORQTARJETA")),
             (QStringList{A + ":-1:N:" + CADUCIDAD, B + ":7:S:" + CADUCIDAD, C + ":7:S:" + CADUCIDAD}));
    // B left controller 2 before the listed cards went to controller 1.
    QCOMPARE(asignaciones(f), (QStringList{B + ":1:S", C + ":1:S"}));
    QCOMPARE(f.sortedMemory(1), (QStringList{B, C}));
    QVERIFY(f.sortedMemory(2).isEmpty());
    QCOMPARE(f.mismatch(2), QString());
    QVERIFY(e.isVisible()); // keeps its content
    QCOMPARE(filasLista(e), (QStringList{B, C}));
    e.close();
    QVERIFY(f.main().timerPeriodico()->isActive());
}

// A card taken off the list while its controller is off keeps its holder and its row; a card still
// listed gets a pending row for the silent reader.
void TestTitulares::editHolderSilentController() {
    ConsoleFixture f(2);
    titularConDosTarjetas(f);
    f.start();
    f.host().with(1, [](sim::SimController& c) { c.setSilent(true); });
    f.main().selecciona(ui::F_Main::Usuarios);
    f.select("Lista1", {7});
    f.main().B_edit_usrClick();
    ui::F_Edit_User& e = *f.w->editUser;
    e.Lista1()->setCurrentItem(e.Lista1()->topLevelItem(0));
    e.B_EliminarClick();
    marcaLectores(e, {1, 2});
    acepta(e);
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
    QCOMPARE(f.rows(QStringLiteral("SELECT CODIGO_TARJETA, USUARIO FROM DORQTARJETA")),
             (QStringList{A + ":7", B + ":7"}));
    QCOMPARE(asignaciones(f), (QStringList{A + ":1:S", B + ":1:N", B + ":2:S"}));
    QCOMPARE(f.sortedMemory(1), QStringList{A});
    QCOMPARE(f.sortedMemory(2), QStringList{B});
    QCOMPARE(f.mismatch(2), QString());
}

// Only a picture from the Pictures folder is taken, and the holder keeps its file name.
void TestTitulares::photo() {
    ConsoleFixture f;
    f.start();
    const QString dentro = ui::EditorTitular::carpetaFotos() + QStringLiteral("/ann.png");
    const QString fuera = f.root.path() + QStringLiteral("/elsewhere/bob.png");
    guardaFoto(dentro);
    guardaFoto(fuera);
    f.main().B_New_USR_MainClick();
    ui::F_Nuevo_Usr& n = *f.w->nuevoUsr;
    n.Elige_Foto(fuera);
    QVERIFY(n.foto().isEmpty());
    QVERIFY(n.I_Foto()->pixmap().isNull());
    n.Elige_Foto(dentro);
    QCOMPARE(n.foto(), dentro);
    QVERIFY(!n.I_Foto()->pixmap().isNull());
    n.Edit1()->setText(QStringLiteral("Ann"));
    acepta(n);
    QVERIFY(n.I_Foto()->pixmap().isNull()); // prepared for the next holder
    n.reject();
    QCOMPARE(f.rows(QStringLiteral("SELECT NOMBRE, FOTOGRAFIA FROM DORQUSUARIO")),
             QStringList{"Ann:ann.png"});

    // The holder editor finds the photo whatever the case of its stored name; removing it clears it.
    f.sql(QStringLiteral("UPDATE DORQUSUARIO SET FOTOGRAFIA='ANN.PNG'"));
    f.sistema().Usuarios()->Carga();
    const int id = f.scalar(QStringLiteral("SELECT ID FROM DORQUSUARIO")).toInt();
    f.main().selecciona(ui::F_Main::Usuarios);
    f.select("Lista1", {id});
    f.main().B_edit_usrClick();
    ui::F_Edit_User& e = *f.w->editUser;
    QCOMPARE(e.foto(), dentro);
    e.B_Quit_FotoClick();
    acepta(e);
    e.reject();
    QCOMPARE(f.rows(QStringLiteral("SELECT NOMBRE, FOTOGRAFIA FROM DORQUSUARIO")), QStringList{"Ann:"});
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
}

// A card presented at the desktop reader fills the entry while the editor is open; closing gives
// the reader back.
void TestTitulares::desktopReader_data() {
    QTest::addColumn<bool>("registrando");
    QTest::newRow("not registering") << false;
    QTest::newRow("registering") << true;
}

void TestTitulares::desktopReader() {
    QFETCH(bool, registrando);
    ConsoleFixture f(2);
    f.controller(1, QStringLiteral("Door A"));
    f.controller(2, QStringLiteral("Desk"));
    f.start();
    auto& v = config::Variables::instance();
    v.desktopReaderInUse = true;
    v.desktopReaderNumber = 2;
    const auto guard = qScopeGuard([&v] { v.desktopReaderInUse = false; });
    if (registrando)
        f.main().I_PLAY_OFFClick();
    QSignalSpy registradas(&f.main(), &ui::F_Main::incidenciaRegistrada);
    f.main().B_New_USR_MainClick();
    ui::F_Nuevo_Usr& n = *f.w->nuevoUsr;
    f.host().with(2, [](sim::SimController& c) { c.presentCard(QStringLiteral("0000004711")); });
    QTRY_COMPARE(n.C_Tarjetas()->currentText(), QStringLiteral("0000004711"));
    f.host().with(1, [](sim::SimController& c) { c.presentCard(QStringLiteral("0000000099")); });
    QTest::qWait(500);
    QCOMPARE(n.C_Tarjetas()->currentText(), QStringLiteral("0000004711")); // only the desktop reader
    QCOMPARE(registradas.count(), 0);                                      // and nothing listed meanwhile
    n.reject();
    // Given back: the event log records both controllers again when it is on; what Door A reported
    // during the editor was kept and is listed now, the desktop reader's reading is not recorded.
    f.host().with(1, [](sim::SimController& c) { c.presentCard(QStringLiteral("0000000099")); });
    f.host().with(2, [](sim::SimController& c) { c.presentCard(QStringLiteral("0000000098")); });
    if (registrando) {
        QTRY_COMPARE(registradas.count(), 3);
        QTRY_COMPARE(f.rows(QStringLiteral("SELECT TARJETA, COUNT(*) FROM DORQINCIDENCIA GROUP BY 1")),
                     (QStringList{"0000000098:1", "0000000099:2"}));
    } else {
        QTest::qWait(500);
        QCOMPARE(registradas.count(), 0);
    }
    QCOMPARE(n.C_Tarjetas()->currentText(), QStringLiteral("0000004711"));
}

// Locking hides the open editor; unlocking brings it back as it was, events still suspended.
void TestTitulares::lockKeepsEditor() {
    ConsoleFixture f;
    f.start();
    f.main().B_New_USR_MainClick();
    ui::F_Nuevo_Usr& n = *f.w->nuevoUsr;
    n.Edit1()->setText(QStringLiteral("Half typed"));
    f.main().B_LoginClick();
    QVERIFY(!n.isVisible());
    QVERIFY(f.w->login->isVisible());
    f.main().Desbloquea();
    QVERIFY(n.isVisible());
    QCOMPARE(n.Edit1()->text(), QStringLiteral("Half typed"));
    QVERIFY(!f.main().timerPeriodico()->isActive());
    n.reject();
    QVERIFY(f.main().timerPeriodico()->isActive());
}

// Events resume when the last window that suspended them closes, not before.
void TestTitulares::twoEditorsOpen() {
    ConsoleFixture f;
    f.start();
    f.main().I_PLAY_OFFClick();
    f.main().B_New_USR_MainClick();
    f.main().B_New_CardClick();
    f.main().B_New_USR_MainClick(); // already open: only brought forward
    f.w->newCard->reject();
    QVERIFY(!f.main().timerPeriodico()->isActive());
    QVERIFY(kestrum::ops::Operaciones::instance().suspendidos());
    f.w->nuevoUsr->reject();
    f.w->nuevoUsr->reject(); // closed already: nothing more to resume
    QVERIFY(f.main().timerPeriodico()->isActive());
    QVERIFY(!kestrum::ops::Operaciones::instance().suspendidos());
}

QTEST_MAIN(TestTitulares)
#include "tst_titulares.moc"
