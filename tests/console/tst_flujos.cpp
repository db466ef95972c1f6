// The workflows that keep the database and the controllers' memories in step, driven through the
// main window's buttons on real databases and simulated controllers. After each one, the assignment
// rows must say what the controllers' memories really hold.
#include "F_Muestra_Delete.h"
#include "Lang.h"
#include "acuses.h"
#include "avisos.h"
#include "consolefixture.h"
#include "operacion.h"
#include "respuestas.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcontrolador.h"
#include "udorqserver.h"

#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSqlRecord>
#include <QToolButton>

using namespace kestrum;
using kestrum::test::ConsoleFixture;
using kestrum::test::pulsa;
using kestrum::test::Respuestas;
using kestrum::ui::F_Main;

namespace {

const QString A = QStringLiteral("0000000001");
const QString B = QStringLiteral("0000000002");
const QString C = QStringLiteral("0000000003");

enum Fallo { Ninguno, RechazaUnaVez, RechazaDosVeces, Silencioso };

QString mensaje(int n) {
    return config::Lang::instance().mensaje(QStringLiteral("Variables_variables_F_Main_%1").arg(n));
}

// "Aceptar" in any of the console's questions, OK in a message.
void acepta(QWidget* dialogo) {
    if (auto* caja = qobject_cast<QMessageBox*>(dialogo)) {
        caja->buttons().first()->click();
        return;
    }
    for (const char* boton : {"B_Yes", "Button2"}) {
        if (auto* b = dialogo->findChild<QPushButton*>(QLatin1String(boton))) {
            b->click();
            return;
        }
    }
    static_cast<QDialog*>(dialogo)->reject();
}

QStringList consulta(ConsoleFixture& f, const QString& sql) {
    return f.rows(sql);
}

QStringList asignaciones(ConsoleFixture& f, const QString& tarjeta) {
    return consulta(
        f, QStringLiteral("SELECT CONTROLADOR FROM DORQCONTROLADORTARJETA WHERE TARJETA='%1'").arg(tarjeta));
}

QVariant titular(ConsoleFixture& f, const QString& tarjeta) {
    return f.scalar(QStringLiteral("SELECT USUARIO FROM DORQTARJETA WHERE CODIGO_TARJETA='%1'").arg(tarjeta));
}

int cuenta(ConsoleFixture& f, const QString& tablaYCondicion) {
    return f.scalar(QStringLiteral("SELECT COUNT(*) FROM ") + tablaYCondicion).toInt();
}

void aplica(ConsoleFixture& f, int controlador, int fallo) {
    f.host().with(controlador, [fallo](sim::SimController& c) {
        switch (fallo) {
        case RechazaUnaVez:
            c.refuse(65, 1);
            break;
        case RechazaDosVeces:
            c.refuse(65, 2);
            break;
        case Silencioso:
            c.setSilent(true);
            break;
        default:
            break;
        }
    });
}

void prepara(ConsoleFixture& f) {
    f.controller(1, QStringLiteral("Door A"));
    f.controller(2, QStringLiteral("Door B"));
}

} // namespace

class TestFlujos : public QObject {
    Q_OBJECT
private slots:
    void windowTexts_data();
    void windowTexts();
    void deleteUser_data();
    void deleteUser();
    void deleteUsersAsksOnlyForTheHeldOne();
    void cancelKeepsRemainingUsers();
    void deleteCard_data();
    void deleteCard();
    void errorStillRunsClosingSteps_data();
    void errorStillRunsClosingSteps();
    void emptyController_data();
    void emptyController();
    void deleteController_data();
    void deleteController();
    void masterCard_data();
    void masterCard();
    void deleteLogin_data();
    void deleteLogin();
    void nothingWhileAnOperationRuns_data();
    void nothingWhileAnOperationRuns();
};

void TestFlujos::windowTexts_data() {
    QTest::addColumn<QStringList>("controles");
    QTest::newRow("F_Delete_Conf") << QStringList{"B_Yes", "B_Cancelar"};
    QTest::newRow("F_Muestra_Del") << QStringList{"xpBitBtn1"};
    QTest::newRow("F_Pregunta_Elimina") << QStringList{"Label1", "Label2", "Button1", "Button2"};
    QTest::newRow("F_Pregunta_elimina_tarj")
        << QStringList{"Label1", "Label2", "Label3", "Label4", "Label5", "Button1", "Button2"};
}

void TestFlujos::windowTexts() {
    QFETCH(QStringList, controles);
    const QString ventana = QString::fromLatin1(QTest::currentDataTag());
    ConsoleFixture f;
    f.start(false);
    const auto& lang = config::Lang::instance();
    auto* w = f.main().findChild<QDialog*>(ventana);
    QVERIFY(w);
    QCOMPARE(w->windowTitle(), lang.text(ventana + QStringLiteral("_Caption")));
    for (const QString& control : controles) {
        const QWidget* c = w->findChild<QWidget*>(control);
        const auto* label = qobject_cast<const QLabel*>(c);
        const auto* button = qobject_cast<const QAbstractButton*>(c);
        QVERIFY2(label || button, qPrintable(control));
        QCOMPARE(label ? label->text() : button->text(),
                 lang.text(ventana + QLatin1Char('_') + control + QStringLiteral("_Caption")));
    }
}

void TestFlujos::deleteUser_data() {
    QTest::addColumn<int>("fallo"); // of controller 2
    QTest::addColumn<QString>("respuesta");
    QTest::addColumn<bool>("queda");
    QTest::addColumn<QStringList>("filas");
    QTest::addColumn<QStringList>("sobrantes"); // of controller 2

    QTest::newRow("all answer") << int(Ninguno) << QString() << false << QStringList() << QStringList();
    QTest::newRow("refused once") << int(RechazaUnaVez) << QString() << false << QStringList()
                                  << QStringList();
    QTest::newRow("silent, Cancelar")
        << int(Silencioso) << "Button1" << true << QStringList{"2"} << QStringList();
    QTest::newRow("refused twice, Cancelar")
        << int(RechazaDosVeces) << "Button1" << true << QStringList{"2"} << QStringList();
    QTest::newRow("refused twice, Aceptar")
        << int(RechazaDosVeces) << "Button2" << false << QStringList() << QStringList{A};
}

void TestFlujos::deleteUser() {
    QFETCH(int, fallo);
    QFETCH(QString, respuesta);
    QFETCH(bool, queda);
    QFETCH(QStringList, filas);
    QFETCH(QStringList, sobrantes);

    ConsoleFixture f(2);
    prepara(f);
    f.holder(1, QStringLiteral("Ana"));
    f.card(A, 1);
    f.assign(A, 1, true);
    f.assign(A, 2, true);
    f.start();
    aplica(f, 2, fallo);
    f.main().selecciona(F_Main::Usuarios);
    f.select("Lista1", {1});
    {
        QList<Respuestas::Respuesta> r{pulsa("B_Yes")};
        if (!respuesta.isEmpty())
            r << pulsa(respuesta);
        Respuestas respuestas(r);
        f.click("B_Delete");
        QStringList esperadas{QStringLiteral("F_Delete_Conf")};
        if (!respuesta.isEmpty())
            esperadas << QStringLiteral("F_Pregunta_elimina_tarj");
        QCOMPARE(respuestas.preguntas, esperadas);
        QCOMPARE(respuestas.textos.first(), mensaje(8) + QStringLiteral("1)?"));
    }
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
    // The status line names the card and the reader that kept it.
    const QString kept = ui::textoAviso(
        QStringLiteral("KS_Erase_not_acknowledged"),
        {A, ui::nombreLector(2, f.sistema().Controladores()->Busca_Controlador(2)->descripcion())});
    QCOMPARE(ui::Avisos::instance().ultimo() == kept, !respuesta.isEmpty());
    QCOMPARE(cuenta(f, QStringLiteral("DORQUSUARIO WHERE ID=1")), queda ? 1 : 0);
    QCOMPARE(titular(f, A).toInt(), queda ? 1 : -1); // the card row stays, free unless kept
    QCOMPARE(asignaciones(f, A), filas);
    QCOMPARE(f.list("Lista1").filas(), queda ? 1 : 0);
    QCOMPARE(f.mismatch(2, {{2, sobrantes}}), QString());
}

void TestFlujos::deleteUsersAsksOnlyForTheHeldOne() {
    ConsoleFixture f(2);
    prepara(f);
    f.holder(1, QStringLiteral("Ana"));
    f.holder(2, QStringLiteral("Luis"));
    f.card(A, 1);
    f.card(B, 1);
    f.card(C, 2);
    f.assign(A, 2, true); // stays: controller 2 does not answer
    f.assign(B, 1, true);
    f.assign(C, 1, true);
    f.start();
    aplica(f, 2, Silencioso);
    f.main().selecciona(F_Main::Usuarios);
    f.select("Lista1", {1, 2});
    {
        Respuestas respuestas({pulsa("B_Yes"), pulsa("Button1")});
        f.click("B_Delete");
        QCOMPARE(respuestas.preguntas, (QStringList{"F_Delete_Conf", "F_Pregunta_elimina_tarj"}));
        QCOMPARE(respuestas.textos.first(), mensaje(8) + QStringLiteral("2)?"));
    }
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
    QCOMPARE(consulta(f, QStringLiteral("SELECT ID FROM DORQUSUARIO")), QStringList{"1"});
    // The kept holder keeps only the card a controller still holds.
    QCOMPARE(titular(f, A).toInt(), 1);
    QCOMPARE(titular(f, B).toInt(), -1);
    QCOMPARE(titular(f, C).toInt(), -1);
    QCOMPARE(asignaciones(f, A), QStringList{"2"});
    QCOMPARE(asignaciones(f, B), QStringList());
    QCOMPARE(asignaciones(f, C), QStringList());
    QCOMPARE(f.mismatch(2), QString());
}

void TestFlujos::cancelKeepsRemainingUsers() {
    ConsoleFixture f(1);
    f.controller(1, QStringLiteral("Door A"));
    for (int id = 1; id <= 4; ++id) {
        f.holder(id, QStringLiteral("U%1").arg(id));
        const QString codigo = QStringLiteral("000000000%1").arg(id);
        f.card(codigo, id);
        f.assign(codigo, 1, true);
    }
    f.start();
    f.main().selecciona(F_Main::Usuarios);
    f.select("Lista1", {1, 2, 3, 4});
    ui::F_Muestra_Del* progreso = f.w->muestraDel.get();
    // "Cancel" is pressed while the first holder's card is being deleted: the simulator announces
    // the status query before it reads the delete command that follows, so the click is queued
    // before that command's reply can arrive.
    f.host().with(1, [progreso](sim::SimController& c) {
        QObject::connect(
            &c, &sim::SimController::commandReceived, progreso,
            [progreso](int command) {
                if (command == 27 && progreso->isVisible())
                    progreso->findChild<QPushButton*>(QStringLiteral("xpBitBtn1"))->click();
            },
            Qt::QueuedConnection);
    });
    {
        Respuestas respuestas({pulsa("B_Yes")});
        f.click("B_Delete");
        QCOMPARE(respuestas.preguntas, QStringList{"F_Delete_Conf"});
    }
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
    QCOMPARE(consulta(f, QStringLiteral("SELECT ID FROM DORQUSUARIO")), (QStringList{"2", "3", "4"}));
    QCOMPARE(titular(f, QStringLiteral("0000000002")).toInt(), 2);
    QCOMPARE(asignaciones(f, QStringLiteral("0000000003")), QStringList{"1"});
    // The bar and the label still ran to the end.
    QCOMPARE(progreso->P1()->value(), 3);
    QCOMPARE(progreso->Label1()->text(), QStringLiteral("U4"));
    QVERIFY(!progreso->isVisible());
    QVERIFY(!progreso->animacion());
    QCOMPARE(f.mismatch(1), QString());
}

void TestFlujos::deleteCard_data() {
    QTest::addColumn<int>("fallo"); // of controller 1
    QTest::addColumn<QString>("respuesta");
    QTest::addColumn<bool>("queda");
    QTest::addColumn<QStringList>("filas");
    QTest::addColumn<QStringList>("sobrantes"); // of controller 1

    QTest::newRow("all answer") << int(Ninguno) << QString() << false << QStringList() << QStringList();
    QTest::newRow("refused twice, Cancelar")
        << int(RechazaDosVeces) << "Button1" << true << QStringList{"1"} << QStringList();
    QTest::newRow("refused twice, Aceptar")
        << int(RechazaDosVeces) << "Button2" << false << QStringList() << QStringList{B};
}

void TestFlujos::deleteCard() {
    QFETCH(int, fallo);
    QFETCH(QString, respuesta);
    QFETCH(bool, queda);
    QFETCH(QStringList, filas);
    QFETCH(QStringList, sobrantes);

    ConsoleFixture f(2);
    prepara(f);
    f.holder(1, QStringLiteral("Ana"));
    f.card(A, 1);
    f.card(B, 1);
    f.assign(A, 1, true);
    f.assign(B, 1, true);
    f.assign(B, 2, true);
    f.start();
    aplica(f, 1, fallo);
    f.main().selecciona(F_Main::Tarjetas);
    f.select("Lista3", {B});
    {
        QList<Respuestas::Respuesta> r{pulsa("B_Yes")};
        if (!respuesta.isEmpty())
            r << pulsa(respuesta);
        Respuestas respuestas(r);
        f.click("B_Delete_Cards");
        QStringList esperadas{QStringLiteral("F_Delete_Conf")};
        if (!respuesta.isEmpty())
            esperadas << QStringLiteral("F_Pregunta_Elimina");
        QCOMPARE(respuestas.preguntas, esperadas);
        QCOMPARE(respuestas.textos.first(), mensaje(9) + QStringLiteral(" 1 ") + mensaje(10));
    }
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
    QCOMPARE(cuenta(f, QStringLiteral("DORQTARJETA WHERE CODIGO_TARJETA='%1'").arg(B)), queda ? 1 : 0);
    QCOMPARE(asignaciones(f, B), filas);
    QCOMPARE(asignaciones(f, A), QStringList{"1"}); // not selected
    QCOMPARE(cuenta(f, QStringLiteral("DORQUSUARIO")), 1);
    QCOMPARE(f.mismatch(2, {{1, sobrantes}}), QString());
}

void TestFlujos::errorStillRunsClosingSteps_data() {
    QTest::addColumn<QString>("tabla");
    QTest::addColumn<int>("nodo");
    QTest::addColumn<QString>("lista");
    QTest::addColumn<QVariant>("clave");
    QTest::addColumn<QString>("boton");
    QTest::newRow("users") << "DORQUSUARIO" << int(F_Main::Usuarios) << "Lista1" << QVariant(1) << "B_Delete";
    QTest::newRow("cards") << "DORQTARJETA" << int(F_Main::Tarjetas) << "Lista3" << QVariant(A)
                           << "B_Delete_Cards";
}

// The database refuses the last step; the card already left the controller and its row stays gone.
void TestFlujos::errorStillRunsClosingSteps() {
    QFETCH(QString, tabla);
    QFETCH(int, nodo);
    QFETCH(QString, lista);
    QFETCH(QVariant, clave);
    QFETCH(QString, boton);

    ConsoleFixture f(1);
    f.controller(1, QStringLiteral("Door A"));
    f.holder(1, QStringLiteral("Ana"));
    f.card(A, 1);
    f.assign(A, 1, true);
    f.sql(QStringLiteral("CREATE EXCEPTION E_BLOQUEO 'blocked by the test'"));
    f.sql(QStringLiteral("CREATE TRIGGER T_BLOQUEO FOR %1 BEFORE DELETE AS BEGIN EXCEPTION E_BLOQUEO; END")
              .arg(tabla));
    f.start();
    f.main().selecciona(static_cast<F_Main::Nodo>(nodo));
    f.select(lista.toLatin1().constData(), {clave});
    {
        Respuestas respuestas({pulsa("B_Yes")});
        f.click(boton.toLatin1().constData());
    }
    QCOMPARE(f.errors.size(), 1);
    QVERIFY2(f.errors.first().contains(QLatin1String("blocked by the test")), qPrintable(f.errors.first()));
    QVERIFY(!f.w->muestraDel->isVisible());
    QVERIFY(!f.w->muestraDel->animacion());
    QVERIFY(f.main().timerPeriodico()->isActive());
    QVERIFY(!kestrum::ops::operacionEnCurso());
    QVERIFY(f.main().findChild<QToolButton*>(QLatin1String(boton.toLatin1()))->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(asignaciones(f, A), QStringList());
    QCOMPARE(f.mismatch(1), QString());
}

void TestFlujos::emptyController_data() {
    QTest::addColumn<QString>("respuesta");
    QTest::addColumn<bool>("rechaza");
    QTest::addColumn<bool>("vaciado");
    QTest::newRow("confirmed") << "B_Yes" << false << true;
    QTest::newRow("refused") << "B_Yes" << true << false;
    QTest::newRow("Cancelar") << "B_Cancelar" << false << false;
}

void TestFlujos::emptyController() {
    QFETCH(QString, respuesta);
    QFETCH(bool, rechaza);
    QFETCH(bool, vaciado);

    ConsoleFixture f(2);
    prepara(f);
    f.card(A);
    f.card(B);
    f.assign(A, 1, true);
    f.assign(B, 1, true);
    f.assign(A, 2, true);
    f.start();
    if (rechaza)
        f.host().with(1, [](sim::SimController& c) { c.refuse(81); });
    f.select("L1_Contr", {1});
    f.list("L2_Contr").limpia(); // refilled only by the test of all controllers after an erase
    {
        Respuestas respuestas({pulsa(respuesta)});
        f.click("B_vacia_Cards");
        QCOMPARE(respuestas.preguntas, QStringList{"F_Delete_Conf"});
        QCOMPARE(respuestas.textos.first(), mensaje(12) + QStringLiteral(" Door A?"));
    }
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
    const QString marca = vaciado ? QStringLiteral("N") : QStringLiteral("S");
    QCOMPARE(consulta(f, QStringLiteral("SELECT TARJETA, \"_STOREDINHW\" FROM DORQCONTROLADORTARJETA "
                                        "WHERE CONTROLADOR=1")),
             (QStringList{A + ':' + marca, B + ':' + marca}));
    QCOMPARE(consulta(f, QStringLiteral("SELECT TARJETA, \"_STOREDINHW\" FROM DORQCONTROLADORTARJETA "
                                        "WHERE CONTROLADOR=2")),
             QStringList{A + QStringLiteral(":S")});
    QCOMPARE(f.memory(1).isEmpty(), vaciado);
    QCOMPARE(f.list("L2_Contr").filas(), vaciado ? 2 : 0);
    QVERIFY(f.main().findChild<QToolButton*>(QStringLiteral("B_vacia_Cards"))->isEnabled());
    QVERIFY(!kestrum::ops::operacionEnCurso());
    QCOMPARE(f.mismatch(2), QString());
}

void TestFlujos::deleteController_data() {
    QTest::addColumn<QString>("respuesta");
    QTest::addColumn<bool>("borrado");
    QTest::newRow("Aceptar") << "B_Yes" << true;
    QTest::newRow("Cancelar") << "B_Cancelar" << false;
}

void TestFlujos::deleteController() {
    QFETCH(QString, respuesta);
    QFETCH(bool, borrado);

    ConsoleFixture f(2);
    prepara(f);
    f.card(A);
    f.card(B);
    f.assign(A, 1, true);
    f.assign(B, 1, true);
    f.assign(A, 2, true);
    f.start();
    f.select("L1_Contr", {1});
    {
        Respuestas respuestas({pulsa(respuesta)});
        f.click("B_Delete_Cx");
        QCOMPARE(respuestas.preguntas, QStringList{"F_Delete_Conf"});
        QCOMPARE(respuestas.textos.first(), mensaje(11) + QStringLiteral(" Door A?"));
    }
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
    QCOMPARE(consulta(f, QStringLiteral("SELECT COD FROM DORQCONTROLADOR")),
             borrado ? QStringList{"2"} : (QStringList{"1", "2"}));
    QCOMPARE(consulta(f, QStringLiteral("SELECT TARJETA FROM DORQCONTROLADORTARJETA WHERE CONTROLADOR=1")),
             borrado ? QStringList() : (QStringList{A, B}));
    QCOMPARE(asignaciones(f, A).contains(QStringLiteral("2")), true);
    QCOMPARE(f.sistema().Controladores()->Cuenta(), borrado ? 1 : 2);
    QCOMPARE(f.sistema().Controladores()->Busca_Controlador(1) == nullptr, borrado);
    QCOMPARE(f.list("L1_Contr").filas(), borrado ? 1 : 2);
    QVERIFY(f.main().timerPeriodico()->isActive());
    // No command: the deleted controller still holds its cards.
    QCOMPARE(f.host().with(1, [](sim::SimController& c) { return c.commandCount(65) + c.commandCount(81); }),
             0);
    QCOMPARE(f.mismatch(2, {{1, borrado ? QStringList{A, B} : QStringList()}}), QString());
}

void TestFlujos::masterCard_data() {
    QTest::addColumn<bool>("rechaza");
    QTest::addColumn<int>("clave");
    QTest::newRow("confirmed") << false << 2;
    QTest::newRow("refused") << true << 3;
}

void TestFlujos::masterCard() {
    QFETCH(bool, rechaza);
    QFETCH(int, clave);

    ConsoleFixture f(2);
    prepara(f);
    f.start();
    if (rechaza)
        f.host().with(2, [](sim::SimController& c) { c.refuse(29); });
    f.select("L1_Contr", {2});
    {
        Respuestas respuestas({acepta});
        f.click("B_Master_Card");
        QCOMPARE(respuestas.preguntas, QStringList{"QMessageBox"});
        QCOMPARE(respuestas.textos.first(), mensaje(clave));
    }
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
    QVERIFY(f.host().with(2, [](sim::SimController& c) { return c.commandCount(29); }) > 0);
    QCOMPARE(f.host().with(1, [](sim::SimController& c) { return c.commandCount(29); }), 0);
    QVERIFY(f.main().findChild<QToolButton*>(QStringLiteral("B_Master_Card"))->isEnabled());
    QVERIFY(!kestrum::ops::operacionEnCurso());
}

void TestFlujos::deleteLogin_data() {
    QTest::addColumn<QString>("otro"); // a second login, "name:role"
    QTest::addColumn<QString>("login");
    QTest::addColumn<QString>("respuesta"); // empty: no question expected
    QTest::addColumn<bool>("borrado");
    QTest::newRow("the only ADMIN") << QString() << "admin" << QString() << false;
    QTest::newRow("one of two ADMINs") << "ana:ADMIN"
                                       << "ana" << QString() << true;
    QTest::newRow("the other of two ADMINs") << "ana:ADMIN"
                                             << "admin" << QString() << true;
    QTest::newRow("USER, Aceptar") << "pepe:USER"
                                   << "pepe"
                                   << "B_Yes" << true;
    QTest::newRow("USER, Cancelar") << "pepe:USER"
                                    << "pepe"
                                    << "B_Cancelar" << false;
}

void TestFlujos::deleteLogin() {
    QFETCH(QString, otro);
    QFETCH(QString, login);
    QFETCH(QString, respuesta);
    QFETCH(bool, borrado);

    ConsoleFixture f;
    if (!otro.isEmpty()) {
        store::DORQServer server;
        server.Configura_Conexion(QString(), f.root.catalogue(), QString(), QString());
        server.Crea_Login(otro.section(':', 0, 0), QStringLiteral("pw"), otro.section(':', 1, 1));
    }
    f.start();
    f.main().selecciona(F_Main::Logins);
    f.select("Lista4", {login});
    {
        Respuestas respuestas(respuesta.isEmpty() ? QList<Respuestas::Respuesta>() : QList{pulsa(respuesta)});
        f.click("B_Delete_login");
        QCOMPARE(respuestas.preguntas,
                 respuesta.isEmpty() ? QStringList() : QStringList{QStringLiteral("F_Delete_Conf")});
        if (!respuesta.isEmpty())
            QCOMPARE(respuestas.textos.first(), mensaje(6) + QLatin1Char('\n') + mensaje(7) +
                                                    QLatin1Char(' ') + login + QLatin1Char('?'));
    }
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
    QCOMPARE(ui::Consola::instance().servidor->Existe_Login(login), !borrado);
    QStringList listados;
    for (int row = 0; row < f.list("Lista4").filas(); ++row)
        listados << f.list("Lista4").fila(row).clave.toString();
    QCOMPARE(listados.contains(login), !borrado);
}

void TestFlujos::nothingWhileAnOperationRuns_data() {
    QTest::addColumn<int>("handler");
    QTest::newRow("users") << 0;
    QTest::newRow("cards") << 1;
    QTest::newRow("empty controller") << 2;
    QTest::newRow("delete controller") << 3;
    QTest::newRow("master card") << 4;
}

// Called directly: the buttons themselves are disabled while an operation runs.
void TestFlujos::nothingWhileAnOperationRuns() {
    QFETCH(int, handler);
    static constexpr void (F_Main::*handlers[])() = {&F_Main::B_DeleteClick, &F_Main::B_Delete_CardsClick,
                                                     &F_Main::B_vacia_CardsClick, &F_Main::B_Delete_CxClick,
                                                     &F_Main::B_Master_CardClick};

    ConsoleFixture f(2);
    prepara(f);
    f.holder(1, QStringLiteral("Ana"));
    f.card(A, 1);
    f.assign(A, 1, true);
    f.start();
    f.main().selecciona(F_Main::Usuarios);
    f.main().selecciona(F_Main::Tarjetas);
    f.main().selecciona(F_Main::Lectores);
    f.select("Lista1", {1});
    f.select("Lista3", {A});
    f.select("L1_Contr", {1});

    kestrum::ops::marcaOperacion(true);
    {
        Respuestas respuestas({acepta, acepta, acepta});
        (f.main().*handlers[handler])();
        QCOMPARE(respuestas.preguntas, QStringList());
    }
    QVERIFY(kestrum::ops::operacionEnCurso()); // the running operation still owns the mark
    kestrum::ops::marcaOperacion(false);

    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
    QCOMPARE(f.host().with(1,
                           [](sim::SimController& c) {
                               return c.commandCount(65) + c.commandCount(81) + c.commandCount(29);
                           }),
             0);
    QCOMPARE(cuenta(f, QStringLiteral("DORQUSUARIO")), 1);
    QCOMPARE(cuenta(f, QStringLiteral("DORQTARJETA")), 1);
    QCOMPARE(cuenta(f, QStringLiteral("DORQCONTROLADOR")), 2);
    QCOMPARE(asignaciones(f, A), QStringList{"1"});
    QCOMPARE(f.mismatch(2), QString());
}

QTEST_MAIN(TestFlujos)
#include "tst_flujos.moc"
