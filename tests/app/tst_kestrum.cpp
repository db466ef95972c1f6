// The console as a process: it starts on a data root it can use or says why not, and signals
// close it as its Exit does, also once the database engine is loaded.
#include "fulldisk.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

class TestKestrum : public QObject {
    Q_OBJECT
private slots:
    void signalsCloseAsExit_data();
    void signalsCloseAsExit();
    void unusableDataRoot_data();
    void unusableDataRoot();
    void helpAndVersion_data();
    void helpAndVersion();

private:
    // The console on XDG_DATA_HOME=`dataHome`, the signal route's debug lines on its standard error.
    static void start(QProcess& p, const QString& dataHome);
    static bool waitFor(QProcess& p, const QByteArray& text, int times = 1);
};

void TestKestrum::start(QProcess& p, const QString& dataHome) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("kestrum.ui.signals.debug=true"));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.start(QStringLiteral(KESTRUM_EXE), QStringList{});
    QVERIFY(p.waitForStarted());
}

bool TestKestrum::waitFor(QProcess& p, const QByteArray& text, int times) {
    QByteArray err;
    for (int i = 0; i < 300; ++i) {
        err += p.readAllStandardError();
        if (err.count(text) >= times)
            return true;
        if (p.state() == QProcess::NotRunning)
            return false;
        p.waitForReadyRead(100);
    }
    return false;
}

void TestKestrum::signalsCloseAsExit_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGHUP") << SIGHUP;
}

// At the login window, with the catalogue attached by the embedded engine.
void TestKestrum::signalsCloseAsExit() {
    QFETCH(int, signal);
    QTemporaryDir home;
    QVERIFY(QDir().mkpath(home.filePath(QStringLiteral("kestrum"))));
    const QString settings = home.filePath(QStringLiteral("kestrum/KESTRUM20.INI"));
    QFile f(settings);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write("[General]\nIdioma=ENGLISH\n") > 0);
    f.close();
    QProcess p;
    start(p, home.path());
    // The route is installed again once the engine is loaded, just before the login window shows.
    QVERIFY2(waitFor(p, "handlers installed", 2), "the console did not start");
    QTest::qWait(300);
    ::kill(static_cast<pid_t>(p.processId()), signal);
    QVERIFY2(p.waitForFinished(15000), "the console did not close");
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().contains("Testear_cx="));
}

void TestKestrum::unusableDataRoot_data() {
    QTest::addColumn<bool>("full");
    QTest::newRow("cannot be created") << false;
    QTest::newRow("full file system") << true;
}

// The console says which folder and why, ends non-zero, and writes nothing.
void TestKestrum::unusableDataRoot() {
    QFETCH(bool, full);
    QTemporaryDir home;
    QString dataHome = home.filePath(QStringLiteral("data"));
    std::unique_ptr<kestrum::test::FullDisk> disk;
    if (full) {
        QVERIFY(QDir().mkpath(dataHome));
        disk = std::make_unique<kestrum::test::FullDisk>(dataHome);
        if (!disk->mounted())
            QSKIP("no file system of our own to fill here");
        QVERIFY(QDir().mkpath(dataHome + QStringLiteral("/kestrum")));
        disk->fill();
    } else {
        // A file where the folder should be: not even root can create the data root under it.
        QFile blocker(dataHome);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    QProcess p;
    start(p, dataHome);
    const QString root = dataHome + QStringLiteral("/kestrum");
    QVERIFY2(waitFor(p, "kestrum: " + root.toUtf8()), "no message naming the data root");
    // The same message waits in the error box; a signal closes it.
    ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    QVERIFY(p.waitForFinished(15000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 1);
    if (full)
        QCOMPARE(QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{});
}

QTEST_GUILESS_MAIN(TestKestrum)
// Every program answers --help and --version without a display, and refuses what it does not know.
void TestKestrum::helpAndVersion_data() {
    QTest::addColumn<QString>("programa");
    QTest::addColumn<QStringList>("desconocido");
    QTest::newRow("kestrum") << "kestrum" << QStringList{"--bogus"};
    QTest::newRow("kestrum-admin") << "kestrum-admin" << QStringList{"--bogus"};
    QTest::newRow("kestrum-link") << "kestrum-link" << QStringList{"--bogus"};
    QTest::newRow("kestrum-sim") << "kestrum-sim" << QStringList{"--bogus"};
}

void TestKestrum::helpAndVersion() {
    QFETCH(QString, programa);
    QFETCH(QStringList, desconocido);
    const QString ruta = QStringLiteral(KESTRUM_BIN "/") + programa;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    const auto corre = [&](const QStringList& args, QByteArray* salida) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(ruta, args);
        if (!p.waitForFinished(20000))
            return -1;
        if (salida)
            *salida = p.readAllStandardOutput();
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    };
    QByteArray salida;
    QCOMPARE(corre({QStringLiteral("--version")}, &salida), 0);
    QCOMPARE(salida, programa.toUtf8() + " " KESTRUM_VERSION "\n");
    QCOMPARE(corre({QStringLiteral("--help")}, &salida), 0);
    QVERIFY(salida.contains("usage") || salida.contains("Usage"));
    // An operator's session has a display; the console needs one to see its arguments at all.
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QCOMPARE(corre(desconocido, nullptr), 2);
}

#include "tst_kestrum.moc"
