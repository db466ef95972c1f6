// kestrum-admin as an installer runs it: the built executable on a temporary data root, its
// results checked in the databases themselves, with the store and with Debian's own Firebird tools.
#include "dbconnection.h"
#include "pdftexto.h"
#include "simports.h"
#include "tempdataroot.h"
#include "udorqserver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace kestrum;

namespace {

struct Result {
    int code = -1;
    QString out;
    QString err;
};

QByteArray bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void write(const QString& path, const QByteArray& content) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(content), content.size());
}

} // namespace

class TestAdmin : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void wrongUsage_data();
    void wrongUsage();
    void helpAndVersion();
    void listCreateDelete();
    void createWithoutTemplateLeavesNoRow();
    void backupReadByDebianTools();
    void failedBackupKeepsTheFile();
    void restoreBringsTheBackupBack();
    void badBackupLeavesInstallation_data();
    void badBackupLeavesInstallation();
    void exportAndImport();
    void passwordFromStandardInput();
    void runningConsoleIsLeftAlone();
    void reportWithoutDisplay();
    void audit();

private:
    // `unset`: environment variables the command runs without.
    Result admin(const QStringList& args, const QByteArray& input = {}, const QStringList& unset = {});
    QString dataHome() const { return QFileInfo(root_->path()).path(); }
    // The database is read and changed by Debian's isql-fb, a process that has ended, and so let the
    // files go, before the next command runs: an engine of this process would keep them a while.
    bool isql(const QString& database, const QByteArray& statements, QByteArray* output);
    QList<int> controllers(int code); // the controllers' codes in that installation; {-1} on failure
    bool addController(int code, int controller);
    void provision() { QCOMPARE(admin({QStringLiteral("list")}).code, 0); }

    std::unique_ptr<test::TempDataRoot> root_;
    std::unique_ptr<QTemporaryDir> work_;
};

void TestAdmin::init() {
    root_ = std::make_unique<test::TempDataRoot>();
    work_ = std::make_unique<QTemporaryDir>();
}

void TestAdmin::cleanup() {
    work_.reset();
    root_.reset();
}

Result TestAdmin::admin(const QStringList& args, const QByteArray& input, const QStringList& unset) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome());
    for (const QString& name : unset)
        env.remove(name);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KESTRUM_ADMIN_EXE), args);
    Result r;
    if (!p.waitForStarted())
        return r;
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.code = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

bool TestAdmin::isql(const QString& database, const QByteArray& statements, QByteArray* output) {
    const QString isql = QStandardPaths::findExecutable(QStringLiteral("isql-fb"));
    if (isql.isEmpty())
        return false;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("FIREBIRD_LOCK"), work_->filePath(QStringLiteral("lock")));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(isql, {QStringLiteral("-bail"), QStringLiteral("-q"), QStringLiteral("-user"),
                   QStringLiteral("SYSDBA"), database});
    if (!p.waitForStarted())
        return false;
    p.write(statements);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000))
        return false;
    *output = p.readAll();
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QList<int> TestAdmin::controllers(int code) {
    QByteArray output;
    if (!isql(root_->installation(code), "SELECT 'cod:' || COD FROM DORQCONTROLADOR ORDER BY COD;\n",
              &output))
        return {-1};
    QList<int> codes;
    static const QRegularExpression line(QStringLiteral("cod:(\\d+)"));
    for (auto it = line.globalMatch(QString::fromUtf8(output)); it.hasNext();)
        codes << it.next().captured(1).toInt();
    return codes;
}

bool TestAdmin::addController(int code, int controller) {
    QByteArray output;
    return isql(root_->installation(code),
                QStringLiteral("INSERT INTO DORQCONTROLADOR(COD,PUERTO_SERIE) VALUES(%1,3);\nCOMMIT;\n")
                    .arg(controller)
                    .toUtf8(),
                &output);
}

void TestAdmin::wrongUsage_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("nothing") << QStringList{};
    QTest::newRow("unknown command") << QStringList{"frobnicate"};
    QTest::newRow("list with an argument") << QStringList{"list", "x"};
    QTest::newRow("create without a name") << QStringList{"create"};
    QTest::newRow("create with a blank name") << QStringList{"create", "  "};
    QTest::newRow("delete without a code") << QStringList{"delete"};
    QTest::newRow("delete of a word") << QStringList{"delete", "one"};
    QTest::newRow("backup without a file") << QStringList{"backup", "1"};
    QTest::newRow("restore of code 0") << QStringList{"restore", "0", "f"};
    QTest::newRow("passwd without a login") << QStringList{"passwd", "--stdin"};
    QTest::newRow("--stdin elsewhere") << QStringList{"list", "--stdin"};
    QTest::newRow("unknown option") << QStringList{"list", "--force"};
    QTest::newRow("report of nothing") << QStringList{"report"};
    QTest::newRow("unknown report") << QStringList{"report", "holidays", "--installation", "1", "--pdf", "f"};
    QTest::newRow("report without --pdf") << QStringList{"report", "users", "--installation", "1"};
    QTest::newRow("report without installation") << QStringList{"report", "cards", "--pdf", "f"};
    QTest::newRow("report of a word") << QStringList{"report", "cards", "--installation", "x", "--pdf", "f"};
    QTest::newRow("report option twice")
        << QStringList{"report", "cards", "--installation", "1", "--installation", "1", "--pdf", "f"};
    QTest::newRow("report option without value")
        << QStringList{"report", "cards", "--pdf", "f", "--installation"};
    QTest::newRow("export without installation") << QStringList{"export", "f.xlsx"};
    QTest::newRow("export with --replace")
        << QStringList{"export", "--installation", "1", "--replace", "f.xlsx"};
    QTest::newRow("import of a word") << QStringList{"import", "--installation", "one", "f.csv"};
    QTest::newRow("import with bad controllers")
        << QStringList{"import", "--installation", "1", "--controllers", "1,x", "f.csv"};
    QTest::newRow("audit without installation") << QStringList{"audit", "--fix"};
    QTest::newRow("audit with bad controllers")
        << QStringList{"audit", "--installation", "1", "--controllers", "1,x"};
    QTest::newRow("audit with a file") << QStringList{"audit", "--installation", "1", "f"};
}

// Exit 2, the usage on standard error, and not even the database folder made.
void TestAdmin::wrongUsage() {
    QFETCH(QStringList, args);
    const Result r = admin(args);
    QCOMPARE(r.code, 2);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(r.err.contains(QStringLiteral("usage: kestrum-admin")), qPrintable(r.err));
    QVERIFY(!QFileInfo::exists(root_->bdks()));
}

void TestAdmin::helpAndVersion() {
    const Result help = admin({QStringLiteral("--help")});
    QCOMPARE(help.code, 0);
    QVERIFY(help.out.contains(QStringLiteral("passwd")));
    const Result version = admin({QStringLiteral("--version")});
    QCOMPARE(version.code, 0);
    QCOMPARE(version.out, QStringLiteral("kestrum-admin " KESTRUM_VERSION "\n"));
}

// On a data root the console never saw: provisioned as the console does, then changed.
void TestAdmin::listCreateDelete() {
    Result r = admin({QStringLiteral("list")});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QStringLiteral("1\tInstalación 1\n"));

    r = admin({QStringLiteral("create"), QStringLiteral("Almacén Norte")});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QStringLiteral("2\n"));
    QVERIFY(QFileInfo::exists(root_->installation(2)));
    QCOMPARE(controllers(2), QList<int>{});
    r = admin({QStringLiteral("list")});
    QCOMPARE(r.out, QStringLiteral("1\tInstalación 1\n2\tAlmacén Norte\n"));

    r = admin({QStringLiteral("delete"), QStringLiteral("7")});
    QCOMPARE(r.code, 1);
    QVERIFY(r.err.contains(QStringLiteral("no installation has code 7")));

    r = admin({QStringLiteral("delete"), QStringLiteral("1")});
    QCOMPARE(r.code, 0);
    QVERIFY(!QFileInfo::exists(root_->installation(1)));
    QCOMPARE(admin({QStringLiteral("list")}).out, QStringLiteral("2\tAlmacén Norte\n"));

    // The last one stays, file and row.
    r = admin({QStringLiteral("delete"), QStringLiteral("2")});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(QStringLiteral("last one")), qPrintable(r.err));
    QVERIFY(QFileInfo::exists(root_->installation(2)));
    QCOMPARE(admin({QStringLiteral("list")}).out, QStringLiteral("2\tAlmacén Norte\n"));
}

// The copy fails with the system's reason and the catalogue keeps no row for it.
void TestAdmin::createWithoutTemplateLeavesNoRow() {
    provision();
    QVERIFY(QFile::remove(root_->bdks() + QStringLiteral("/INSTALACION_B.FDB")));
    const Result r = admin({QStringLiteral("create"), QStringLiteral("Lost")});
    QCOMPARE(r.code, 1);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(r.err.contains(QStringLiteral("cannot copy")), qPrintable(r.err));
    QCOMPARE(admin({QStringLiteral("list")}).out, QStringLiteral("1\tInstalación 1\n"));
}

// A standard gbak file: Debian's gbak restores it and isql-fb reads the controller in it.
void TestAdmin::backupReadByDebianTools() {
    const QString gbak = QStandardPaths::findExecutable(QStringLiteral("gbak"));
    const QString isql = QStandardPaths::findExecutable(QStringLiteral("isql-fb"));
    if (gbak.isEmpty() || isql.isEmpty())
        QSKIP("Debian's gbak and isql-fb (firebird3.0-utils) are not installed");
    provision();
    QVERIFY(addController(1, 77));
    const QString backup = work_->filePath(QStringLiteral("nightly.fbk"));
    const Result r = admin({QStringLiteral("backup"), QStringLiteral("1"), backup});
    QCOMPARE(r.code, 0);
    QVERIFY2(!r.err.contains(QStringLiteral("kestrum-admin:")), qPrintable(r.err));
    QVERIFY(!QFileInfo::exists(backup + QStringLiteral(".part")));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("FIREBIRD_LOCK"), work_->filePath(QStringLiteral("lock")));
    const QString restored = work_->filePath(QStringLiteral("restored.fdb"));
    QProcess restore;
    restore.setProcessEnvironment(env);
    restore.setProcessChannelMode(QProcess::MergedChannels);
    restore.start(
        gbak, {QStringLiteral("-r"), QStringLiteral("-user"), QStringLiteral("SYSDBA"), backup, restored});
    QVERIFY(restore.waitForFinished(120000));
    QVERIFY2(restore.exitCode() == 0, restore.readAll().constData());

    QProcess query;
    query.setProcessEnvironment(env);
    query.setProcessChannelMode(QProcess::MergedChannels);
    query.start(isql, {QStringLiteral("-user"), QStringLiteral("SYSDBA"), QStringLiteral("-q"), restored});
    QVERIFY(query.waitForStarted());
    query.write("SELECT 'marker:' || COD FROM DORQCONTROLADOR;\n");
    query.closeWriteChannel();
    QVERIFY(query.waitForFinished(60000));
    const QByteArray output = query.readAll();
    QVERIFY2(output.contains("marker:77"), output.constData());
}

// The earlier backup of that name stays when a new one cannot be made.
void TestAdmin::failedBackupKeepsTheFile() {
    provision();
    QCOMPARE(admin({QStringLiteral("create"), QStringLiteral("Two")}).code, 0);
    QVERIFY(QFile::remove(root_->installation(2)));
    const QString backup = work_->filePath(QStringLiteral("two.fbk"));
    write(backup, "the backup of yesterday");
    const Result r = admin({QStringLiteral("backup"), QStringLiteral("2"), backup});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(QStringLiteral("no such database")), qPrintable(r.err));
    QCOMPARE(bytes(backup), QByteArray("the backup of yesterday"));
}

void TestAdmin::restoreBringsTheBackupBack() {
    provision();
    QVERIFY(addController(1, 5));
    const QString backup = work_->filePath(QStringLiteral("one.fbk"));
    QCOMPARE(admin({QStringLiteral("backup"), QStringLiteral("1"), backup}).code, 0);
    QVERIFY(addController(1, 6));
    QCOMPARE(controllers(1), (QList<int>{5, 6}));
    const Result r = admin({QStringLiteral("restore"), QStringLiteral("1"), backup});
    QCOMPARE(r.code, 0);
    QVERIFY2(!r.err.contains(QStringLiteral("kestrum-admin:")), qPrintable(r.err));
    QCOMPARE(controllers(1), QList<int>{5});
    QCOMPARE(admin({QStringLiteral("list")}).out, QStringLiteral("1\tInstalación 1\n"));
    QCOMPARE(QDir(root_->bdks()).entryList({QStringLiteral("*.restore"), QStringLiteral("*.previous*")}),
             QStringList{});
}

// A sheet in, its counts printed, the cards pending in the controllers chosen, and the same cards
// back out in another format.
void TestAdmin::exportAndImport() {
    provision();
    QVERIFY(addController(1, 5));
    QVERIFY(addController(1, 6));
    const QString entrada = work_->filePath(QStringLiteral("in.csv"));
    write(entrada, "Code;Name;Surname\n12345;Jos\xC3\xA9;N\xC3\xBA\xC3\xB1"
                   "ez\n777;Jos\xC3\xA9;N\xC3\xBA\xC3\xB1"
                   "ez\n"
                   "abc;x;y\n\n999;after;the end\n");
    const QStringList importa{QStringLiteral("import"), QStringLiteral("--installation"), QStringLiteral("1"),
                              entrada};
    Result r = admin(importa + QStringList{QStringLiteral("--controllers"), QStringLiteral("6")});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QStringLiteral("added=2 present=0 invalid=1 holders=1\n"));
    QByteArray filas;
    QVERIFY(isql(root_->installation(1),
                 "SELECT TARJETA || ':' || CONTROLADOR || ':' || \"_STOREDINHW\" FROM DORQCONTROLADORTARJETA "
                 "ORDER BY 1;",
                 &filas));
    QVERIFY2(filas.contains("0000000777:6:N") && filas.contains("0000012345:6:N") && !filas.contains(":5:"),
             filas.constData());
    r = admin(importa);
    QCOMPARE(r.out, QStringLiteral("added=0 present=2 invalid=1 holders=0\n"));
    QCOMPARE(admin(importa + QStringList{QStringLiteral("--controllers"), QStringLiteral("8")}).code, 1);

    const QString salida = work_->filePath(QStringLiteral("out.xlsx"));
    r = admin({QStringLiteral("export"), QStringLiteral("--installation"), QStringLiteral("1"), salida});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QStringLiteral("cards=2\n"));
    const Result otra =
        admin({QStringLiteral("import"), QStringLiteral("--installation"), QStringLiteral("1"),
               QStringLiteral("--replace"), QStringLiteral("--controllers"), QStringLiteral("none"), salida});
    QCOMPARE(otra.out, QStringLiteral("added=2 present=0 invalid=0 holders=1\n"));
    QVERIFY(isql(root_->installation(1), "SELECT COUNT(*) FROM DORQCONTROLADORTARJETA;", &filas));
    QVERIFY2(filas.simplified().endsWith(" 0"), filas.constData());
}

void TestAdmin::badBackupLeavesInstallation_data() {
    QTest::addColumn<QString>("damage");
    QTest::newRow("truncated to half") << "half";
    QTest::newRow("truncated to its header") << "header";
    QTest::newRow("not a backup") << "text";
    QTest::newRow("missing") << "missing";
}

// Exit 1 with the engine's reason; the installation file is byte for byte what it was.
void TestAdmin::badBackupLeavesInstallation() {
    QFETCH(QString, damage);
    provision();
    const QString backup = work_->filePath(QStringLiteral("one.fbk"));
    QCOMPARE(admin({QStringLiteral("backup"), QStringLiteral("1"), backup}).code, 0);
    const QByteArray good = bytes(backup);
    QVERIFY(good.size() > 1024);
    if (damage == QLatin1String("half"))
        write(backup, good.left(good.size() / 2));
    else if (damage == QLatin1String("header"))
        write(backup, good.left(512));
    else if (damage == QLatin1String("text"))
        write(backup, "no backup in here\n");
    else
        QVERIFY(QFile::remove(backup));
    QVERIFY(addController(1, 9));
    const QByteArray before = bytes(root_->installation(1));

    const Result r = admin({QStringLiteral("restore"), QStringLiteral("1"), backup});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.out.isEmpty(), qPrintable(r.out));
    QVERIFY(!r.err.trimmed().isEmpty());
    QCOMPARE(bytes(root_->installation(1)) == before, true);
    QCOMPARE(controllers(1), QList<int>{9});
    QCOMPARE(QDir(root_->bdks()).entryList({QStringLiteral("*.restore"), QStringLiteral("*.previous*")}),
             QStringList{});
}

// The new password, lower-cased as the console's login window types it, validates in the store.
void TestAdmin::passwordFromStandardInput() {
    provision();
    Result r =
        admin({QStringLiteral("passwd"), QStringLiteral("--stdin"), QStringLiteral("Admin")}, "N3w Secret\n");
    QCOMPARE(r.code, 0);
    QVERIFY2(!r.err.contains(QStringLiteral("kestrum-admin:")), qPrintable(r.err));
    r = admin({QStringLiteral("passwd"), QStringLiteral("--stdin"), QStringLiteral("nobody")}, "x\n");
    QCOMPARE(r.code, 1);
    QVERIFY(r.err.contains(QStringLiteral("no login is called nobody")));
    r = admin({QStringLiteral("passwd"), QStringLiteral("--stdin"), QStringLiteral("admin")}, "\n");
    QCOMPARE(r.code, 1);

    store::DORQServer server;
    server.Configura_Conexion(QString(), root_->catalogue(), QString(), QString());
    QVERIFY(!server.Valida_Login(QStringLiteral("admin"), QStringLiteral("admin")));
    QVERIFY(server.Valida_Login(QStringLiteral("admin"), QStringLiteral("n3w secret")));
    const QString stored =
        store::Db::scalar(server.db(), QStringLiteral("SELECT \"PASSWORD\" FROM USUARIO WHERE LOGIN='admin'"))
            .toString();
    QVERIFY(store::DORQServer::isHashed(stored));
}

// The real console holds the databases: every command says so and changes nothing.
void TestAdmin::runningConsoleIsLeftAlone() {
    root_->write(QStringLiteral("KESTRUM20.INI"), "[General]\nIdioma=ENGLISH\n");
    QProcess console;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("kestrum.ui.signals.debug=true"));
    console.setProcessEnvironment(env);
    console.start(QStringLiteral(KESTRUM_EXE), QStringList{});
    QVERIFY(console.waitForStarted());
    // Its signal handlers go in a second time once the engine has the catalogue: the login window.
    QByteArray said;
    for (int i = 0; i < 600 && said.count("handlers installed") < 2 && console.state() == QProcess::Running;
         ++i) {
        console.waitForReadyRead(100);
        said += console.readAllStandardError();
    }
    QVERIFY2(said.count("handlers installed") >= 2, said.constData());
    const QString backup = work_->filePath(QStringLiteral("b.fbk"));

    const QList<QStringList> commands{
        {QStringLiteral("list")},
        {QStringLiteral("create"), QStringLiteral("Not now")},
        {QStringLiteral("delete"), QStringLiteral("1")},
        {QStringLiteral("restore"), QStringLiteral("1"), backup},
        {QStringLiteral("backup"), QStringLiteral("1"), backup},
        {QStringLiteral("passwd"), QStringLiteral("--stdin"), QStringLiteral("admin")},
        {QStringLiteral("audit"), QStringLiteral("--installation"), QStringLiteral("1")}};
    for (const QStringList& command : commands) {
        const Result r = admin(command, "other\n");
        QCOMPARE(r.code, 1);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(r.err.contains(QStringLiteral("the console is running")), qPrintable(r.err));
    }
    console.terminate();
    QVERIFY(console.waitForFinished(15000));
    QVERIFY(!QFileInfo::exists(backup));
    QVERIFY(!QFileInfo::exists(root_->installation(2)));
    QVERIFY(QFileInfo::exists(root_->installation(1)));
    QCOMPARE(admin({QStringLiteral("list")}).out, QStringLiteral("1\tInstalación 1\n"));
    store::DORQServer server;
    server.Configura_Conexion(QString(), root_->catalogue(), QString(), QString());
    QVERIFY(server.Valida_Login(QStringLiteral("admin"), QStringLiteral("admin")));
}

// A scheduled job: no display and no platform chosen. The report reads the installation, its
// captions the language file's when no console start has filled LANGREP yet.
void TestAdmin::reportWithoutDisplay() {
    provision();
    QVERIFY(addController(1, 42));
    const QStringList noDisplay{QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("DISPLAY"),
                                QStringLiteral("WAYLAND_DISPLAY")};
    const QString pdf = work_->filePath(QStringLiteral("readers.pdf"));
    const Result r =
        admin({QStringLiteral("report"), QStringLiteral("controllers"), QStringLiteral("--installation"),
               QStringLiteral("1"), QStringLiteral("--pdf"), pdf},
              {}, noDisplay);
    QCOMPARE(r.code, 0);
    QVERIFY2(!r.err.contains(QStringLiteral("kestrum-admin:")), qPrintable(r.err));
    const QString text = test::pdfTexto(pdf);
    QVERIFY2(
        test::enOrden(text, {"Reader list", "Reader", "Serial port", "Description", "42", "Page 1 of 1"}),
        qPrintable(text));

    // An installation that does not exist, a folder that does not: status 1, the reason, no file.
    const QString other = work_->filePath(QStringLiteral("other.pdf"));
    const Result unknown =
        admin({QStringLiteral("report"), QStringLiteral("users"), QStringLiteral("--installation"),
               QStringLiteral("9"), QStringLiteral("--pdf"), other},
              {}, noDisplay);
    QCOMPARE(unknown.code, 1);
    QVERIFY2(unknown.err.contains(QStringLiteral("no installation has code 9")), qPrintable(unknown.err));
    QVERIFY(!QFileInfo::exists(other));
    const Result nowhere = admin({QStringLiteral("report"), QStringLiteral("cards-per-user"),
                                  QStringLiteral("--pdf"), work_->filePath(QStringLiteral("none/r.pdf")),
                                  QStringLiteral("--installation"), QStringLiteral("1")});
    QCOMPARE(nowhere.code, 1);
    QVERIFY2(nowhere.err.contains(QStringLiteral("r.pdf")), qPrintable(nowhere.err));
}

// Readers on simulated ports named in the settings: the differences on standard output, the
// silent reader on standard error, the fix leaving nothing.
void TestAdmin::audit() {
    provision();
    test::SimPorts sims(2, {.state = 2, .lockTime = 5, .openTime = 10, .version = 21});
    QByteArray output;
    QVERIFY(isql(root_->installation(1),
                 "INSERT INTO DORQCONTROLADOR(COD,PUERTO_SERIE) VALUES(1,1);\n"
                 "INSERT INTO DORQCONTROLADOR(COD,PUERTO_SERIE) VALUES(2,2);\n"
                 "INSERT INTO DORQTARJETA(CODIGO_TARJETA,USUARIO) VALUES('0000000001',-1);\n"
                 "INSERT INTO DORQTARJETA(CODIGO_TARJETA,USUARIO) VALUES('0000000002',-1);\n"
                 "INSERT INTO DORQCONTROLADORTARJETA VALUES('0000000001',1,'S');\n"
                 "INSERT INTO DORQCONTROLADORTARJETA VALUES('0000000002',2,'S');\nCOMMIT;\n",
                 &output));
    root_->write(QStringLiteral("KESTRUM20.INI"),
                 QStringLiteral("[Serial]\nCOM1=%1\nCOM2=%2\n").arg(sims.device(1), sims.device(2)).toUtf8());
    sims.host().with(1, [](sim::SimController& c) { c.setMemory({"0000000001"}); });
    sims.host().with(2, [](sim::SimController& c) { c.setMemory({"0000000001"}); });
    const QStringList audit{QStringLiteral("audit"), QStringLiteral("--installation"), QStringLiteral("1")};

    Result r = admin(audit + QStringList{QStringLiteral("--controllers"), QStringLiteral("1")});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QString());
    r = admin(audit);
    QCOMPARE(r.code, 1);
    QCOMPARE(r.out, QStringLiteral("reader=2 card=0000000001 problem=unknown\n"
                                   "reader=2 card=0000000002 problem=missing\n"));
    r = admin(audit + QStringList{QStringLiteral("--fix")});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QString());
    QCOMPARE(sims.host().with(2, [](sim::SimController& c) { return c.memory(); }),
             QStringList{"0000000002"});

    sims.host().with(1, [](sim::SimController& c) { c.setSilent(true); });
    r = admin(audit + QStringList{QStringLiteral("--fix")});
    QCOMPARE(r.code, 1);
    QCOMPARE(r.out, QString());
    QVERIFY2(r.err.contains(QStringLiteral("reader=1 problem=no-answer")), qPrintable(r.err));
}

QTEST_GUILESS_MAIN(TestAdmin)
#include "tst_admin.moc"
