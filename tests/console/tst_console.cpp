// The console as an operator meets it: start-up, login and lock, the role rule, the lists of the
// open installation and a live event, on real databases and simulated controllers.
#include "F_Login_APP.h"
#include "Lang.h"
#include "UF_Gestion_BD.h"
#include "UF_Main.h"
#include "arranque.h"
#include "consola.h"
#include "dbconnection.h"
#include "errores.h"
#include "listas.h"
#include "simports.h"
#include "tempdataroot.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcoleccionincidencia.h"
#include "udorqcontrolador.h"
#include "udorqserver.h"
#include "udorqsistema.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

using namespace kestrum;
using namespace kestrum::ui;

class TestConsole : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void firstRunOpensFirstInstallation();
    void rememberedInstallation_data();
    void rememberedInstallation();
    void loginLowerCasesAndValidates();
    void unlockOnlyWithFirstCredentials();
    void userRoleGetsReducedInterface();
    void listsShowTheStores();
    void liveEventIsRecorded();

private:
    void settings(const QByteArray& extra = {});
    void start();
    void login(const QString& user, const QString& password);
    void sql(const QString& statement);
    ModeloLista* model(const char* list) {
        return static_cast<ModeloLista*>(w_->main->findChild<QTreeView*>(list)->model());
    }

    std::unique_ptr<test::TempDataRoot> root_;
    std::unique_ptr<test::SimPorts> sim_;
    std::unique_ptr<Ventanas> w_;
    QStringList errors_;
};

void TestConsole::init() {
    root_ = std::make_unique<test::TempDataRoot>();
    errors_.clear();
    setErrorDisplay([this](const QString& m) { errors_ << m; });
}

void TestConsole::cleanup() {
    w_.reset();
    Consola::reset();
    sim_.reset();
    root_.reset();
    setErrorDisplay({});
}

void TestConsole::settings(const QByteArray& extra) {
    root_->write(QStringLiteral("KESTRUM20.INI"), "[General]\nIdioma=ENGLISH\n" + extra);
}

void TestConsole::start() {
    w_ = creaVentanas();
    QVERIFY2(errors_.isEmpty(), qPrintable(errors_.join('\n')));
}

void TestConsole::login(const QString& user, const QString& password) {
    auto* edit1 = w_->login->findChild<QLineEdit*>("Edit1");
    auto* edit2 = w_->login->findChild<QLineEdit*>("Edit2");
    edit1->clear();
    edit2->clear();
    QTest::keyClicks(edit1, user);
    QTest::keyClicks(edit2, password);
    QTest::keyClick(edit2, Qt::Key_Return);
}

void TestConsole::sql(const QString& statement) {
    QSqlDatabase db = store::Db::connect(root_->installation(1));
    store::Db::exec(db, statement);
    store::Db::disconnect(db);
}

void TestConsole::firstRunOpensFirstInstallation() {
    settings();
    start();
    QCOMPARE(Consola::instance().instalacion, QStringLiteral("1"));
    QVERIFY(QFile::exists(root_->catalogue()));
    const QString base = config::Lang::instance().text("F_Main_Caption");
    QCOMPARE(w_->main->windowTitle(), base + QStringLiteral(" - Instalación 1"));
    auto* arbol = w_->main->findChild<QTreeWidget*>("Arbol1");
    QVERIFY(arbol->topLevelItem(0)->text(0).endsWith(QStringLiteral(" - Instalación 1")));
    QCOMPARE(w_->login->windowTitle(), config::Lang::instance().text("F_Login_Caption"));
    QCOMPARE(w_->gestion->C2()->currentText(), QStringLiteral("1.- Instalación 1"));
    QVERIFY(!w_->gestion->B_Eliminar()->isEnabled()); // a single installation cannot be deleted
    QVERIFY(w_->main->timerPeriodico()->isActive());
    QCOMPARE(w_->main->meses().first(), config::Lang::instance().text("Variables_variables_F_Main_14"));
}

void TestConsole::rememberedInstallation_data() {
    QTest::addColumn<QByteArray>("remembered");
    QTest::addColumn<QString>("opened");
    QTest::newRow("in the catalogue") << QByteArray("LAST_INSTALLATION=2\n") << "2";
    QTest::newRow("not in the catalogue") << QByteArray("LAST_INSTALLATION=7\n") << "1";
    QTest::newRow("not a number") << QByteArray("LAST_INSTALLATION=x\n") << "1";
}

void TestConsole::rememberedInstallation() {
    QFETCH(QByteArray, remembered);
    root_->provision();
    {
        store::DORQServer server;
        server.Configura_Conexion(QString(), root_->catalogue(), QString(), QString());
        QCOMPARE(server.Crea_Instalacion(QStringLiteral("Oficina")), 2);
    }
    settings(remembered);
    start();
    QTEST(Consola::instance().instalacion, "opened");
    QCOMPARE(w_->gestion->C2()->count(), 2);
    QVERIFY(w_->gestion->B_Eliminar()->isEnabled());
    if (Consola::instance().instalacion == QLatin1String("2"))
        QVERIFY(w_->main->windowTitle().endsWith(QStringLiteral(" - Oficina")));
}

void TestConsole::loginLowerCasesAndValidates() {
    settings();
    start();
    w_->login->show();
    login(QStringLiteral("ADMIN"), QStringLiteral("wrong"));
    QVERIFY(!Consola::instance().logueado);
    QVERIFY(w_->login->isVisible());
    QVERIFY(!w_->main->isVisible());

    login(QStringLiteral("Ad*MIN"), QStringLiteral("ADMIN")); // the asterisk is refused as typed
    QCOMPARE(w_->login->findChild<QLineEdit*>("Edit1")->text(), QStringLiteral("AdMIN"));
    QVERIFY(Consola::instance().logueado);
    QCOMPARE(Consola::instance().rol, QStringLiteral("ADMIN"));
    QVERIFY(w_->main->isVisible());
    QVERIFY(!w_->login->isVisible());
    // The test after login leaves the readers in view.
    QCOMPARE(w_->main->findChild<QTreeWidget*>("Arbol1")->currentItem()->data(0, Qt::UserRole).toInt(),
             int(F_Main::Lectores));
}

void TestConsole::unlockOnlyWithFirstCredentials() {
    settings();
    root_->provision();
    {
        store::DORQServer server;
        server.Configura_Conexion(QString(), root_->catalogue(), QString(), QString());
        server.Crea_Login(QStringLiteral("ana"), QStringLiteral("pw"), QStringLiteral("ADMIN"));
    }
    start();
    w_->login->show();
    login(QStringLiteral("admin"), QStringLiteral("admin"));
    QVERIFY(w_->main->isVisible());

    w_->main->findChild<QToolButton*>("B_Login")->click();
    QVERIFY(!w_->main->isVisible());
    QVERIFY(w_->login->isVisible());
    QVERIFY(w_->login->findChild<QLineEdit*>("Edit2")->text().isEmpty());

    login(QStringLiteral("ana"), QStringLiteral("pw")); // valid in the catalogue, not the first login
    QVERIFY(!w_->main->isVisible());
    login(QStringLiteral("ADMIN"), QStringLiteral("Admin"));
    QVERIFY(w_->main->isVisible());
    QVERIFY(!w_->login->isVisible());
}

void TestConsole::userRoleGetsReducedInterface() {
    settings();
    root_->provision();
    {
        store::DORQServer server;
        server.Configura_Conexion(QString(), root_->catalogue(), QString(), QString());
        server.Crea_Login(QStringLiteral("ana"), QStringLiteral("pw"), QStringLiteral("USER"));
    }
    start();
    w_->login->show();
    login(QStringLiteral("ana"), QStringLiteral("pw"));
    QCOMPARE(Consola::instance().rol, QStringLiteral("USER"));
    auto* arbol = w_->main->findChild<QTreeWidget*>("Arbol1");
    QCOMPARE(arbol->topLevelItemCount(), 1);
    QCOMPARE(arbol->topLevelItem(0)->childCount(), 3);
    for (const char* hidden :
         {"B_Nueva_Cx", "B_Editar_cx", "B_Delete_Cx", "B_Master_Card", "B_Clone_cx", "B_vacia_Cards"})
        QVERIFY2(w_->main->findChild<QToolButton*>(hidden)->isHidden(), hidden);
    QVERIFY(!w_->main->findChild<QToolButton*>("B_Test_Cx")->isHidden());
}

void TestConsole::listsShowTheStores() {
    sim_ = std::make_unique<test::SimPorts>(2);
    settings("[Serial]\nCOM1=" + sim_->device(1).toUtf8() + "\nCOM2=" + sim_->device(2).toUtf8() + "\n");
    root_->provision();
    sql("INSERT INTO DORQCONTROLADOR(COD,PUERTO_SERIE,DESCRIPCION,TIPO) VALUES(1,1,'Door A','Null')");
    sql("INSERT INTO DORQCONTROLADOR(COD,PUERTO_SERIE,DESCRIPCION,TIPO) VALUES(2,2,'Door B','Null')");
    sql("INSERT INTO DORQUSUARIO(ID,NOMBRE,APELLIDOS,PERMANENTE,FOTOGRAFIA) VALUES(1,'Ana','Ruiz','S','')");
    sql("INSERT INTO DORQUSUARIO(ID,NOMBRE,APELLIDOS,PERMANENTE,FOTOGRAFIA) VALUES(2,'Luis','Gil','S','')");
    sql("INSERT INTO DORQTARJETA VALUES('0000000001','N',current_timestamp,current_timestamp,1,'N')");
    sql("INSERT INTO DORQTARJETA VALUES('0000000002','N',current_timestamp,current_timestamp,2,'N')");
    sql("INSERT INTO DORQCONTROLADORTARJETA VALUES('0000000001',1,'S')");
    sql("INSERT INTO DORQCONTROLADORTARJETA VALUES('0000000002',1,'S')");
    sql("INSERT INTO DORQCONTROLADORTARJETA VALUES('0000000002',2,'N')");
    start();

    w_->main->selecciona(F_Main::Usuarios);
    auto* users = model("Lista1");
    QCOMPARE(users->rowCount(), 2);
    QCOMPARE(users->fila(0).celdas.value(3), QStringLiteral(" 0000000001(Door A)"));
    QCOMPARE(users->fila(1).celdas.value(0), QStringLiteral("Luis"));
    QVERIFY(users->fila(0).icono != users->fila(1).icono); // the second holder's card is pending

    w_->main->selecciona(F_Main::Tarjetas);
    auto* cards = model("Lista3");
    QCOMPARE(cards->rowCount(), 2);
    QCOMPARE(cards->fila(1).celdas.value(3), QStringLiteral("Door A"));
    QVERIFY(cards->fila(0).icono != cards->fila(1).icono);

    w_->main->selecciona(F_Main::Lectores);
    auto* readers = model("L1_Contr");
    QCOMPARE(readers->rowCount(), 2);
    QCOMPARE(readers->fila(1).celdas.value(1), QStringLiteral("Door B"));
    auto* controladores = Consola::instance().sistema->Controladores();
    QVERIFY(controladores->Controlador(0)->Comunicador()->Conectado());

    w_->main->selecciona(F_Main::Logins);
    QCOMPARE(model("Lista4")->fila(0).celdas, (QStringList{"admin", "ADMIN"}));
}

void TestConsole::liveEventIsRecorded() {
    sim_ = std::make_unique<test::SimPorts>(1);
    settings("[Serial]\nCOM3=" + sim_->device(1).toUtf8() + "\n");
    root_->provision();
    sql("INSERT INTO DORQCONTROLADOR(COD,PUERTO_SERIE,DESCRIPCION,TIPO) VALUES(4,3,'Gate','Null')");
    sql("INSERT INTO DORQUSUARIO(ID,NOMBRE,APELLIDOS,PERMANENTE,FOTOGRAFIA) VALUES(1,'Ana','Ruiz','S','')");
    sql("INSERT INTO DORQTARJETA VALUES('0012345678','N',current_timestamp,current_timestamp,1,'N')");
    start();
    QSignalSpy recorded(w_->main.get(), &F_Main::incidenciaRegistrada);
    Consola::instance().sistema->Incidencias()->Inicia_Registro();
    sim_->host().with(1, [](sim::SimController& c) { c.presentCard(QStringLiteral("12345678")); });
    QTRY_COMPARE(recorded.count(), 1);
    // Shown at once, in the log once the journal's writer recorded it.
    QTRY_COMPARE(Consola::instance().sistema->Incidencias()->Pendientes_Diario(), 0);
    const auto info = recorded.first().first().value<link::TEventoInformacion>();
    QCOMPARE(info.Tarjeta_Hex, QStringLiteral("0012345678"));

    QSqlDatabase db = store::Db::connect(root_->installation(1));
    store::Query q(db);
    q.prepare("SELECT CONTROLADOR, TARJETA, USR, HIST_TARJETA FROM DORQINCIDENCIA").exec();
    QVERIFY(q.next());
    QCOMPARE(q.integer(0), 4);
    QCOMPARE(q.text(1), QStringLiteral("0012345678"));
    QCOMPARE(q.integer(2), 1);
    QCOMPARE(q.text(3), QStringLiteral("Ruiz, Ana"));
    q.close();
    store::Db::disconnect(db);
}

QTEST_MAIN(TestConsole)
#include "tst_console.moc"
