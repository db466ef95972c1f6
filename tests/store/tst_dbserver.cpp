// The catalogue and the installations on a Firebird server of the test's own: provisioning, two
// processes writing to one installation at once, and an installation created, backed up, restored
// and deleted there.
#include "dbconnection.h"
#include "fbtestserver.h"
#include "schema.h"
#include "tempdataroot.h"
#include "udorqcolecciontarjeta.h"
#include "udorqcoleccionusuario.h"
#include "udorqserver.h"
#include "udorqsistema.h"
#include "udorqtarjeta.h"
#include "udorqusuario.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTest>
#include <memory>

using namespace kestrum;
using namespace kestrum::store;

namespace {

const char* WRITER = "--write-holders";
constexpr int PER_WRITER = 30;

config::DatabaseSettings settingsFromEnvironment() {
    config::DatabaseSettings s;
    s.host = QStringLiteral("127.0.0.1");
    s.port = qEnvironmentVariableIntValue("KESTRUM_TEST_PORT");
    s.password = qEnvironmentVariable("KESTRUM_TEST_PASSWORD");
    s.folder = qEnvironmentVariable("KESTRUM_TEST_FOLDER");
    return s;
}

// A second console's share of the work: holders with one card each, written one by one as the
// holder editor does.
int writeHolders(const QString& prefix) {
    test::TempDataRoot root;
    schema::useSettings(settingsFromEnvironment());
    DORQServer server;
    server.Configura_Conexion(Db::server().host, schema::cataloguePath(), Db::server().password, {});
    DORQSistema sistema(schema::installationPath(1), &server);
    sistema.Abre();
    for (int i = 0; i < PER_WRITER; ++i) {
        DORQUsuario u;
        u.setNombre(QStringLiteral("%1-%2").arg(prefix).arg(i));
        u.setApellidos(prefix);
        const int id = sistema.Usuarios()->Crea_Usuario(u);
        DORQTarjeta t;
        t.setCodigo_tarjeta(DORQTarjeta::Rellena_Codigo(
            QStringLiteral("%1%2").arg(prefix == QLatin1String("A") ? 1 : 2).arg(i)));
        t.setFecha_alta(QDateTime::currentDateTime());
        t.setFecha_caducidad(QDateTime::currentDateTime());
        sistema.Tarjetas()->Crea_Tarjeta_Con_Titular(t, id);
    }
    sistema.Cierra();
    return 0;
}

} // namespace

class TestDbServer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void provisionsTheCatalogueOnce();
    void twoConsolesWriteAtOnce();
    void installationLifeCycle();
    void restoreOfADamagedBackupChangesNothing();
    void deleteWhileOpenElsewhereIsRefused();
    void wrongPasswordGivesTheServersAnswer();

private:
    std::unique_ptr<DORQServer> catalogue() {
        auto s = std::make_unique<DORQServer>();
        s->Configura_Conexion(Db::server().host, schema::cataloguePath(), Db::server().password, {});
        return s;
    }
    int holders(const QString& database) {
        QSqlDatabase db = Db::connect(database);
        const int n = Db::scalar(db, QStringLiteral("SELECT COUNT(*) FROM DORQUSUARIO")).toInt();
        Db::disconnect(db);
        return n;
    }
    void addHolder(const QString& database, const QString& name) {
        QSqlDatabase db = Db::connect(database);
        Db::exec(db,
                 QStringLiteral("INSERT INTO DORQUSUARIO(ID,NOMBRE,APELLIDOS) "
                                "VALUES(gen_id(GEN_DORQUSUARIO_ID,1),:n,'')"),
                 {{QStringLiteral("n"), name}});
        Db::disconnect(db);
    }

    test::TempDataRoot root_;
    test::FbTestServer server_;
};

void TestDbServer::initTestCase() {
    const QString failure = server_.start();
    if (!failure.isEmpty())
        QFAIL(qPrintable(failure));
    schema::useSettings(server_.settings());
}

void TestDbServer::cleanupTestCase() {
    const QStringList names = QSqlDatabase::connectionNames();
    for (const QString& name : names)
        QSqlDatabase::removeDatabase(name);
    server_.stop();
    schema::useSettings({});
}

void TestDbServer::provisionsTheCatalogueOnce() {
    QVERIFY(!Db::databaseExists(schema::cataloguePath()));
    schema::provisionServer();
    QVERIFY(Db::databaseExists(schema::cataloguePath()));
    QVERIFY(Db::databaseExists(schema::installationPath(1)));
    addHolder(schema::installationPath(1), QStringLiteral("kept"));
    // A second console starting against the same server finds it all and changes nothing.
    schema::provisionServer();
    QCOMPARE(holders(schema::installationPath(1)), 1);
    auto server = catalogue();
    QCOMPARE(server->Lista_Instalaciones(), QStringList{QStringLiteral("1.- Instalación 1")});
    QVERIFY(server->Valida_Login(QStringLiteral("admin"), QStringLiteral("admin")));
    // Nothing was made on this machine: the server holds it all.
    QVERIFY(!QFile::exists(root_.bdks() + QStringLiteral("/KESTRUM.FDB")));
    QVERIFY(QFile::exists(server_.dataFolder() + QStringLiteral("/KESTRUM.FDB")));
    QSqlDatabase db = Db::connect(schema::installationPath(1));
    Db::exec(db, QStringLiteral("DELETE FROM DORQUSUARIO"));
    Db::disconnect(db);
}

void TestDbServer::twoConsolesWriteAtOnce() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KESTRUM_TEST_PORT"), QString::number(server_.port()));
    env.insert(QStringLiteral("KESTRUM_TEST_PASSWORD"), server_.password());
    env.insert(QStringLiteral("KESTRUM_TEST_FOLDER"), server_.dataFolder());
    QProcess a, b;
    for (auto [process, prefix] : {std::pair{&a, "A"}, std::pair{&b, "B"}}) {
        process->setProcessEnvironment(env);
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->start(QCoreApplication::applicationFilePath(),
                       {QString::fromLatin1(WRITER), QString::fromLatin1(prefix)});
    }
    for (QProcess* p : {&a, &b}) {
        QVERIFY(p->waitForFinished(120000));
        QCOMPARE(p->exitStatus(), QProcess::NormalExit);
        QCOMPARE(p->exitCode(), 0);
    }
    // This console sees both consoles' rows after a reload, every holder with its own id and card.
    auto server = catalogue();
    DORQSistema sistema(schema::installationPath(1), server.get());
    sistema.Abre();
    QCOMPARE(sistema.Usuarios()->Cuenta(), 2 * PER_WRITER);
    QSet<int> ids;
    for (int i = 0; i < sistema.Usuarios()->Cuenta(); ++i)
        ids.insert(sistema.Usuarios()->Usuario(i)->id());
    QCOMPARE(ids.size(), 2 * PER_WRITER);
    QCOMPARE(sistema.Tarjetas()->Cuenta(), 2 * PER_WRITER);
    for (int i = 0; i < sistema.Tarjetas()->Cuenta(); ++i) {
        const auto card = sistema.Tarjetas()->Tarjeta(i);
        QVERIFY(card->usuario());
        // Each card kept the holder its own console gave it.
        const QString number = QString::number(card->codigo_tarjeta().toLongLong());
        QCOMPARE(card->usuario()->apellidos(),
                 number.startsWith(QLatin1Char('1')) ? QStringLiteral("A") : QStringLiteral("B"));
    }
    sistema.Cierra();
}

void TestDbServer::installationLifeCycle() {
    auto server = catalogue();
    const int code = server->Crea_Instalacion(QStringLiteral("Almacén"));
    const QString database = schema::installationPath(code);
    QVERIFY(Db::databaseExists(database));
    addHolder(database, QStringLiteral("before"));
    // Enough rows for the server to send its backup in full chunks.
    {
        QSqlDatabase db = Db::connect(database);
        QVERIFY(db.transaction());
        Query q(db);
        q.prepare(QStringLiteral("INSERT INTO DORQCONTROLADOR(COD,DESCRIPCION) VALUES(:cod,:d)"));
        for (int i = 1; i <= 3000; ++i)
            q.bind(QStringLiteral("cod"), i)
                .bind(QStringLiteral("d"), QStringLiteral("Door %1 of the north wing").arg(i))
                .exec();
        QVERIFY(db.commit());
        Db::disconnect(db);
    }

    const QString backup = root_.path(QStringLiteral("site.kdt"));
    QStringList lines;
    server->Exporta_Instalacion(QStringLiteral("instalacion_%1").arg(code), backup, schema::databaseFolder(),
                                [&](const QString& l) { lines << l; });
    // The backup is on this machine and is a standard one: the engine's own tool restores it.
    QVERIFY(QFile(backup).size() > 0);
    const QString local = root_.path(QStringLiteral("check.fdb"));
    QProcess gbak;
    gbak.start(QStringLiteral("gbak"), {QStringLiteral("-c"), backup, local});
    QVERIFY(gbak.waitForFinished(60000));
    QCOMPARE(gbak.exitCode(), 0);

    addHolder(database, QStringLiteral("after"));
    QCOMPARE(holders(database), 2);
    lines.clear();
    server->Importa_Instalacion(QStringLiteral("instalacion_%1").arg(code), backup, schema::databaseFolder(),
                                [&](const QString& l) { lines << l; });
    QCOMPARE(holders(database), 1);
    QVERIFY(!lines.isEmpty());

    server->Elimina_Instalacion(code);
    QVERIFY(!Db::databaseExists(database));
    QVERIFY(!server->Existe_Instalacion(QString::number(code)));
}

void TestDbServer::restoreOfADamagedBackupChangesNothing() {
    auto server = catalogue();
    const int code = server->Crea_Instalacion(QStringLiteral("Taller"));
    const QString base = QStringLiteral("instalacion_%1").arg(code);
    const QString database = schema::installationPath(code);
    addHolder(database, QStringLiteral("one"));
    const QString backup = root_.path(QStringLiteral("taller.kdt"));
    server->Exporta_Instalacion(base, backup, schema::databaseFolder());
    addHolder(database, QStringLiteral("two"));
    QFile f(backup);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.resize(f.size() / 2));
    f.close();
    QVERIFY_THROWS_EXCEPTION(Error, server->Importa_Instalacion(base, backup, schema::databaseFolder()));
    QCOMPARE(holders(database), 2);
}

void TestDbServer::deleteWhileOpenElsewhereIsRefused() {
    auto server = catalogue();
    const int code = server->Crea_Instalacion(QStringLiteral("Garaje"));
    const QString base = QStringLiteral("instalacion_%1").arg(code);
    const QString backup = root_.path(QStringLiteral("garaje.kdt"));
    server->Exporta_Instalacion(base, backup, schema::databaseFolder());
    QSqlDatabase other = Db::connect(schema::installationPath(code));
    QVERIFY_THROWS_EXCEPTION(Error, server->Elimina_Instalacion(code));
    QVERIFY(server->Existe_Instalacion(QString::number(code)));
    try {
        server->Importa_Instalacion(base, backup, schema::databaseFolder());
        QFAIL("a restore over an installation in use went ahead");
    } catch (const Error& e) {
        QVERIFY2(e.message().contains(QLatin1String("1 other connection")), qPrintable(e.message()));
    }
    Db::disconnect(other);
    server->Elimina_Instalacion(code);
    QVERIFY(!server->Existe_Instalacion(QString::number(code)));
}

void TestDbServer::wrongPasswordGivesTheServersAnswer() {
    config::DatabaseSettings wrong = server_.settings();
    wrong.password = QStringLiteral("not-it");
    schema::useSettings(wrong);
    const auto restore = qScopeGuard([this] { schema::useSettings(server_.settings()); });
    try {
        schema::provisionServer();
        QFAIL("a wrong password was accepted");
    } catch (const DbError& e) {
        QVERIFY2(e.message().contains(QStringLiteral("user name and password")), qPrintable(e.message()));
    }
    try {
        Db::serverVersion(Db::server());
        QFAIL("a wrong password was accepted");
    } catch (const DbError& e) {
        QVERIFY2(e.message().contains(QStringLiteral("user name and password")), qPrintable(e.message()));
    }
    QVERIFY(Db::serverVersion(schema::serverOf(server_.settings())).contains(QStringLiteral("Firebird")));
}

int main(int argc, char** argv) {
    if (argc == 3 && qstrcmp(argv[1], WRITER) == 0) {
        QCoreApplication app(argc, argv);
        try {
            return writeHolders(QString::fromLatin1(argv[2]));
        } catch (const Error& e) {
            qCritical().noquote() << e.message();
            return 1;
        }
    }
    QCoreApplication app(argc, argv);
    TestDbServer test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_dbserver.moc"
