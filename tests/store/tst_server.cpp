// The catalogue, provisioning, logins, and backup and restore, on real embedded databases.
#include "dbconnection.h"
#include "schema.h"
#include "tempdataroot.h"
#include "udorq.h"
#include "udorqserver.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <system_error>

using namespace kestrum;
using namespace kestrum::store;

class TestServer : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void firstRunProvisions();
    void missingCatalogueMovesFilesAside();
    void installationsInNumericOrder();
    void newInstallationNeverOverwrites();
    void missingTemplateLeavesNoRow();
    void deleteAndExistence();
    void logins();
    void plainPasswordIsUpgraded();
    void changedPassword();
    void adminRules();
    void backupAndRestore();
    void damagedBackupLeavesInstallationIntact();
    void failedBackupKeepsThePreviousOne_data();
    void failedBackupKeepsThePreviousOne();
    void failedSwapKeepsTheInstallation_data();
    void failedSwapKeepsTheInstallation();
    void restoreOfAnOpenInstallationIsRefused_data();
    void restoreOfAnOpenInstallationIsRefused();
    void splitsText_data();
    void splitsText();

private:
    int count(const QString& db, const QString& sql) {
        QSqlDatabase c = Db::connect(db);
        const int n = Db::scalar(c, sql).toInt();
        Db::disconnect(c);
        return n;
    }
    static QByteArray bytes(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void write(const QString& path, const QByteArray& content) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(content), content.size());
    }
    // The system's words for the failure the hook stands in for.
    static QString ioError() {
        return QString::fromStdString(std::make_error_code(std::errc::io_error).message());
    }
    // Fails each file replacement whose source ends with one of `suffixes`.
    static void failReplacingFrom(const QStringList& suffixes) {
        detail::setReplaceHookForTests([suffixes](const QString& from, const QString&) {
            for (const QString& suffix : suffixes) {
                if (from.endsWith(suffix))
                    return std::make_error_code(std::errc::io_error);
            }
            return std::error_code();
        });
    }
    std::unique_ptr<test::TempDataRoot> root_;
    std::unique_ptr<DORQServer> server_;
};

void TestServer::init() {
    root_ = std::make_unique<test::TempDataRoot>();
    root_->provision();
    server_ = std::make_unique<DORQServer>();
    server_->Configura_Conexion(QString(), root_->catalogue(), QString(), QString());
}

void TestServer::cleanup() {
    detail::setReplaceHookForTests({});
    server_.reset();
    root_.reset();
}

void TestServer::firstRunProvisions() {
    const QStringList files = QDir(root_->bdks()).entryList(QDir::Files, QDir::Name);
    QCOMPARE(files, (QStringList{"INSTALACION_1.FDB", "INSTALACION_B.FDB", "KESTRUM.FDB"}));
    QCOMPARE(QDir(root_->bdks() + "/BK20").entryList(QDir::Files, QDir::Name), files);
    QCOMPARE(server_->Lista_Instalaciones(), QStringList{QStringLiteral("1.- Instalación 1")});
    QVERIFY(server_->Valida_Login(schema::ADMIN_LOGIN, schema::ADMIN_PASSWORD));
    QCOMPARE(server_->Rol(), QStringLiteral("ADMIN"));
    QCOMPARE(count(root_->installation(1), "SELECT COUNT(*) FROM DORQTARJETA"), 0);
}

void TestServer::missingCatalogueMovesFilesAside() {
    server_->Cierra();
    QFile leftover(root_->bdks() + "/instalacion_7.fdb");
    QVERIFY(leftover.open(QIODevice::WriteOnly));
    leftover.write("site seven");
    leftover.close();
    QVERIFY(QFile::remove(root_->catalogue()));

    root_->provision();

    const QStringList aside = QDir(root_->bdks()).entryList({"sin_catalogo_*"}, QDir::Dirs);
    QCOMPARE(aside.size(), 1);
    const QDir kept(root_->bdks() + '/' + aside.first());
    QCOMPARE(kept.entryList(QDir::Files, QDir::Name),
             (QStringList{"INSTALACION_1.FDB", "INSTALACION_B.FDB", "instalacion_7.fdb"}));
    QFile moved(kept.filePath("instalacion_7.fdb"));
    QVERIFY(moved.open(QIODevice::ReadOnly));
    QCOMPARE(moved.readAll(), QByteArray("site seven"));
    QVERIFY(QFile::exists(root_->catalogue()));
    QCOMPARE(server_->Lista_Instalaciones().size(), 1);
}

void TestServer::installationsInNumericOrder() {
    for (int i = 2; i <= 10; ++i)
        QCOMPARE(server_->Crea_Instalacion(QStringLiteral("Site %1").arg(i)), i);
    const QStringList list = server_->Lista_Instalaciones();
    QCOMPARE(list.size(), 10);
    QCOMPARE(list[1], QStringLiteral("2.- Site 2"));
    QCOMPARE(list[9], QStringLiteral("10.- Site 10"));
    QVERIFY(QFile::exists(root_->installation(10)));
    // The copy is a working database.
    QCOMPARE(count(root_->installation(10), "SELECT COUNT(*) FROM DORQCONTROLADOR"), 0);
}

void TestServer::newInstallationNeverOverwrites() {
    QFile leftover(root_->bdks() + "/instalacion_2.fdb");
    QVERIFY(leftover.open(QIODevice::WriteOnly));
    leftover.write("old data");
    leftover.close();

    QCOMPARE(server_->Crea_Instalacion(QStringLiteral("O'Brien's store")), 2);

    QCOMPARE(server_->Lista_Instalaciones().last(), QStringLiteral("2.- O'Brien's store"));
    QCOMPARE(count(root_->installation(2), "SELECT COUNT(*) FROM DORQUSUARIO"), 0);
    const QStringList aside = QDir(root_->bdks()).entryList({"instalacion_2.fdb.*"}, QDir::Files);
    QCOMPARE(aside.size(), 1);
}

void TestServer::missingTemplateLeavesNoRow() {
    QVERIFY(QFile::remove(root_->bdks() + "/INSTALACION_B.FDB"));
    QVERIFY_THROWS_EXCEPTION(Error, server_->Crea_Instalacion(QStringLiteral("Lost")));
    QCOMPARE(server_->Lista_Instalaciones().size(), 1);
    QVERIFY(!QFile::exists(root_->installation(2)));
}

void TestServer::deleteAndExistence() {
    for (int i = 2; i <= 12; ++i)
        server_->Crea_Instalacion(QStringLiteral("Site %1").arg(i));
    server_->Borra_Instalacion(QStringLiteral("instalacion_12"));
    server_->Borra_Instalacion(QStringLiteral("instalacion_1_old"));
    const QStringList list = server_->Lista_Instalaciones();
    QCOMPARE(list.size(), 10);
    QCOMPARE(list.first(), QStringLiteral("2.- Site 2"));
    QCOMPARE(list.last(), QStringLiteral("11.- Site 11"));
    QVERIFY(server_->Existe_Instalacion(QStringLiteral("11")));
    QVERIFY(!server_->Existe_Instalacion(QStringLiteral("12")));
    QVERIFY(!server_->Existe_Instalacion(QStringLiteral("0")));
    QVERIFY(!server_->Existe_Instalacion(QStringLiteral("3 or 1=1")));
}

void TestServer::logins() {
    server_->Crea_Login(QStringLiteral("ana"), QStringLiteral("o'secret"), QStringLiteral("USER"));
    server_->Crea_Login(QStringLiteral("Ana"), QStringLiteral("other"),
                        QStringLiteral("ADMIN")); // exists: nothing
    QCOMPARE(server_->Lista_Logins(), (QStringList{"admin*ADMIN", "ana*USER"}));
    QVERIFY(!server_->Valida_Login(QStringLiteral("ana"), QStringLiteral("other")));
    QVERIFY(!server_->Valida_Login(QStringLiteral("ANA"), QStringLiteral("o'secret")));
    QVERIFY(server_->Valida_Login(QStringLiteral("ana"), QStringLiteral("o'secret")));
    QCOMPARE(server_->Rol(), QStringLiteral("USER"));
    QCOMPARE(server_->nombreLogin(), QStringLiteral("ana"));
    // Stored as a salted hash, never in clear.
    QSqlDatabase c = Db::connect(root_->catalogue());
    const QString stored = Db::scalar(c, "SELECT \"PASSWORD\" FROM USUARIO WHERE LOGIN='ana'").toString();
    Db::disconnect(c);
    QVERIFY(DORQServer::isHashed(stored));
    QVERIFY(!stored.contains(QStringLiteral("secret")));
    QVERIFY(DORQServer::hashPassword("x") != DORQServer::hashPassword("x"));

    server_->Borra_Login(QStringLiteral("ANA"));
    QCOMPARE(server_->Lista_Logins(), QStringList{"admin*ADMIN"});
    QVERIFY(!server_->Existe_Login(QStringLiteral("ana")));
}

void TestServer::plainPasswordIsUpgraded() {
    Db::exec(server_->db(), "INSERT INTO USUARIO(COD,LOGIN,\"PASSWORD\",ROL) "
                            "VALUES(gen_id(GEN_USUARIO_ID,1),'pepe','plain','USER')");
    QVERIFY(!server_->Valida_Login(QStringLiteral("pepe"), QStringLiteral("Plain")));
    QVERIFY(server_->Valida_Login(QStringLiteral("pepe"), QStringLiteral("plain")));
    const QString stored =
        Db::scalar(server_->db(), "SELECT \"PASSWORD\" FROM USUARIO WHERE LOGIN='pepe'").toString();
    QVERIFY(DORQServer::isHashed(stored));
    QVERIFY(server_->Valida_Login(QStringLiteral("pepe"), QStringLiteral("plain")));
}

// Only the named login changes, hashed; a login that does not exist is reported, not created.
void TestServer::changedPassword() {
    server_->Crea_Login(QStringLiteral("ana"), QStringLiteral("old"), QStringLiteral("USER"));
    QVERIFY(server_->Cambia_Password(QStringLiteral("ANA"), QStringLiteral("new")));
    QVERIFY(!server_->Valida_Login(QStringLiteral("ana"), QStringLiteral("old")));
    QVERIFY(server_->Valida_Login(QStringLiteral("ana"), QStringLiteral("new")));
    QVERIFY(server_->Valida_Login(QStringLiteral("admin"), QStringLiteral("admin")));
    const QString stored =
        Db::scalar(server_->db(), "SELECT \"PASSWORD\" FROM USUARIO WHERE LOGIN='ana'").toString();
    QVERIFY(DORQServer::isHashed(stored));
    QVERIFY(!server_->Cambia_Password(QStringLiteral("nobody"), QStringLiteral("x")));
    QCOMPARE(server_->Lista_Logins(), (QStringList{"admin*ADMIN", "ana*USER"}));
}

void TestServer::adminRules() {
    QVERIFY(server_->Unico_Admin());
    QVERIFY(server_->Es_Admin(QStringLiteral("admin")));
    server_->Crea_Login(QStringLiteral("jefa"), QStringLiteral("x"), QStringLiteral("ADMIN"));
    QVERIFY(!server_->Unico_Admin());
    server_->Borra_Login(QStringLiteral("jefa"));
    server_->Borra_Login(QStringLiteral("admin"));
    QVERIFY(!server_->Unico_Admin());
    QVERIFY(!server_->Es_Admin(QStringLiteral("admin")));
}

void TestServer::backupAndRestore() {
    const QString backup = root_->path() + "/copia.kdt";
    write(backup, "old backup"); // replaced
    QStringList lines;
    server_->Exporta_Instalacion(QStringLiteral("instalacion_1"), backup, root_->bdks(),
                                 [&](const QString& l) { lines << l; });
    QVERIFY(QFileInfo(backup).size() > 100);
    QVERIFY(!QFile::exists(backup + ".part"));
    QVERIFY(!lines.isEmpty());

    QSqlDatabase c = Db::connect(root_->installation(1));
    Db::exec(c, "INSERT INTO DORQCONTROLADOR(COD,PUERTO_SERIE,DESCRIPCION,TIPO) VALUES(1,1,'Gate','Null')");
    Db::disconnect(c);
    QCOMPARE(count(root_->installation(1), "SELECT COUNT(*) FROM DORQCONTROLADOR"), 1);

    server_->Importa_Instalacion(QStringLiteral("instalacion_1"), backup, root_->bdks());
    QCOMPARE(count(root_->installation(1), "SELECT COUNT(*) FROM DORQCONTROLADOR"), 0);
    QCOMPARE(QDir(root_->bdks()).entryList({"*.restore", "*.previous"}, QDir::Files), QStringList());
}

void TestServer::damagedBackupLeavesInstallationIntact() {
    const QString backup = root_->path() + "/copia.kdt";
    QSqlDatabase c = Db::connect(root_->installation(1));
    Db::exec(c, "INSERT INTO DORQUSUARIO(ID,NOMBRE,APELLIDOS) VALUES(1,'Ana','Ruiz')");
    Db::disconnect(c);
    server_->Exporta_Instalacion(QStringLiteral("instalacion_1"), backup, root_->bdks());
    QFile f(backup);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.resize(f.size() / 2));
    f.close();

    try {
        server_->Importa_Instalacion(QStringLiteral("instalacion_1"), backup, root_->bdks());
        QFAIL("a truncated backup was restored");
    } catch (const Error& e) {
        QVERIFY2(!e.message().isEmpty(), "no engine message");
    }
    QCOMPARE(count(root_->installation(1), "SELECT COUNT(*) FROM DORQUSUARIO"), 1);
    QVERIFY_THROWS_EXCEPTION(
        Error, server_->Exporta_Instalacion(QStringLiteral("instalacion_9"), backup, root_->bdks()));
}

void TestServer::failedBackupKeepsThePreviousOne_data() {
    QTest::addColumn<QString>("baseName");
    QTest::addColumn<bool>("targetIsFolder");
    QTest::addColumn<bool>("replaceFails");
    QTest::addColumn<QString>("reason");
    QTest::newRow("the engine refuses: not a database") << "instalacion_5" << false << false << QString();
    QTest::newRow("the new backup cannot take the old one's place")
        << "instalacion_1" << false << true << ioError();
    QTest::newRow("a folder with files in the way")
        << "instalacion_1" << true << false
        << QString::fromStdString(std::make_error_code(std::errc::is_a_directory).message());
}

void TestServer::failedBackupKeepsThePreviousOne() {
    QFETCH(QString, baseName);
    QFETCH(bool, targetIsFolder);
    QFETCH(bool, replaceFails);
    QFETCH(QString, reason);
    write(root_->bdks() + "/INSTALACION_5.FDB", QByteArray(64 * 1024, 'x'));
    const QString backup = root_->path() + "/copia.kdt";
    const QString kept = targetIsFolder ? backup + "/keep" : backup;
    if (targetIsFolder)
        QVERIFY(QDir().mkpath(backup));
    write(kept, "old backup");
    if (replaceFails)
        failReplacingFrom({".part"});

    try {
        server_->Exporta_Instalacion(baseName, backup, root_->bdks());
        QFAIL("the backup did not fail");
    } catch (const Error& e) {
        QVERIFY2(e.message().contains(reason), qPrintable(e.message()));
    }
    QCOMPARE(bytes(kept), QByteArray("old backup"));
    QVERIFY(!QFileInfo::exists(backup + ".part"));
}

void TestServer::failedSwapKeepsTheInstallation_data() {
    QTest::addColumn<QStringList>("failingFrom");
    QTest::addColumn<bool>("putBack");
    QTest::newRow("moving it aside fails") << QStringList{".FDB"} << true;
    QTest::newRow("moving the restored file in fails") << QStringList{".restore"} << true;
    QTest::newRow("and so does moving it back") << QStringList{".restore", ".previous"} << false;
}

void TestServer::failedSwapKeepsTheInstallation() {
    QFETCH(QStringList, failingFrom);
    QFETCH(bool, putBack);
    const QString backup = root_->path() + "/copia.kdt";
    server_->Exporta_Instalacion(QStringLiteral("instalacion_1"), backup, root_->bdks());
    const QString installation = root_->installation(1);
    QSqlDatabase c = Db::connect(installation);
    Db::exec(c, "INSERT INTO DORQUSUARIO(ID,NOMBRE,APELLIDOS) VALUES(1,'Ana','Ruiz')");
    Db::disconnect(c);
    const QByteArray before = bytes(installation);
    failReplacingFrom(failingFrom);

    QString message;
    try {
        server_->Importa_Instalacion(QStringLiteral("instalacion_1"), backup, root_->bdks());
        QFAIL("the restore did not fail");
    } catch (const Error& e) {
        message = e.message();
    }
    QVERIFY2(message.contains(ioError()), qPrintable(message));
    detail::setReplaceHookForTests({});
    const QString previous = installation + ".previous";
    if (putBack) {
        QCOMPARE(bytes(installation), before);
        QCOMPARE(QDir(root_->bdks()).entryList({"*.restore", "*.previous*"}, QDir::Files), QStringList());
        QCOMPARE(count(installation, "SELECT COUNT(*) FROM DORQUSUARIO"), 1);
    } else {
        // Nothing is lost: the message says where the installation is, and the restored file stays.
        QVERIFY(!QFileInfo::exists(installation));
        QVERIFY2(message.contains(previous), qPrintable(message));
        QCOMPARE(bytes(previous), before);
        QVERIFY(QFileInfo::exists(installation + ".restore"));
    }
}

void TestServer::restoreOfAnOpenInstallationIsRefused_data() {
    QTest::addColumn<QString>("openAs");
    QTest::addColumn<QString>("baseName");
    QTest::newRow("same path") << "{bdks}/INSTALACION_1.FDB"
                               << "instalacion_1";
    QTest::newRow("another spelling of the folder") << "{bdks}/./INSTALACION_1.FDB"
                                                    << "INSTALACION_1";
    QTest::newRow("through a link to the folder") << "{link}/INSTALACION_1.FDB"
                                                  << "instalacion_1";
}

void TestServer::restoreOfAnOpenInstallationIsRefused() {
    QFETCH(QString, openAs);
    QFETCH(QString, baseName);
    const QString backup = root_->path() + "/copia.kdt";
    server_->Exporta_Instalacion(QStringLiteral("instalacion_1"), backup, root_->bdks());
    const QString link = root_->path() + "/enlace";
    QVERIFY(QFile::link(root_->bdks(), link));
    QSqlDatabase c = Db::connect(QString(openAs).replace("{bdks}", root_->bdks()).replace("{link}", link));
    Db::exec(c, "INSERT INTO DORQUSUARIO(ID,NOMBRE,APELLIDOS) VALUES(1,'Ana','Ruiz')");
    const QByteArray before = bytes(root_->installation(1));

    try {
        server_->Importa_Instalacion(baseName, backup, root_->bdks());
        QFAIL("the open installation was restored");
    } catch (const Error& e) {
        QVERIFY2(e.message().contains("is open"), qPrintable(e.message()));
    }
    QCOMPARE(bytes(root_->installation(1)), before);
    QCOMPARE(QDir(root_->bdks()).entryList({"*.restore", "*.previous*"}, QDir::Files), QStringList());
    QCOMPARE(Db::scalar(c, "SELECT COUNT(*) FROM DORQUSUARIO").toInt(), 1);

    Db::disconnect(c);
    server_->Importa_Instalacion(baseName, backup, root_->bdks());
    QCOMPARE(count(root_->installation(1), "SELECT COUNT(*) FROM DORQUSUARIO"), 0);
}

void TestServer::splitsText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QStringList>("pieces");
    QTest::newRow("entry") << "12.- Oficina"
                           << ".-" << QStringList{"12", "- Oficina"};
    QTest::newRow("title") << "Control 2.1 - Oficina"
                           << " -" << QStringList{"Control 2.1", "- Oficina"};
    QTest::newRow("none") << "Oficina"
                          << ".-" << QStringList{"Oficina"};
    QTest::newRow("two") << "a.-b.-c"
                         << ".-" << QStringList{"a", "-b", "-c"};
}

void TestServer::splitsText() {
    QFETCH(QString, text);
    QFETCH(QString, separator);
    QTEST(Divide_Texto(text, separator), "pieces");
}

QTEST_GUILESS_MAIN(TestServer)
#include "tst_server.moc"
