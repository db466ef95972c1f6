#include "fbtestserver.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <csignal>
#include <sys/prctl.h>

namespace kestrum::test {

namespace {

const QString ENGINE_FOLDER = QStringLiteral("/usr/lib/x86_64-linux-gnu/firebird/3.0");

int freePort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

bool writeText(const QString& path, const QString& text) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text.toUtf8()) >= 0 && f.flush();
}

} // namespace

FbTestServer::FbTestServer() = default;

FbTestServer::~FbTestServer() {
    stop();
}

QString FbTestServer::binary() {
    const QString path = QStringLiteral(KESTRUM_FB_SERVER);
    return QFileInfo(path).isExecutable() ? path : QString();
}

QString FbTestServer::dataFolder() const {
    return dir_.filePath(QStringLiteral("data"));
}

config::DatabaseSettings FbTestServer::settings() const {
    config::DatabaseSettings s;
    s.host = QStringLiteral("127.0.0.1");
    s.port = port_;
    s.user = QStringLiteral("SYSDBA");
    s.password = password();
    s.folder = dataFolder();
    return s;
}

QString FbTestServer::runIsql(const QString& script, const QStringList& args) {
    QProcess isql;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("FIREBIRD"), dir_.filePath(QStringLiteral("conf")));
    env.insert(QStringLiteral("FIREBIRD_LOCK"), dir_.filePath(QStringLiteral("lock")));
    isql.setProcessEnvironment(env);
    isql.start(QStringLiteral("isql-fb"), QStringList{QStringLiteral("-q")} + args);
    if (!isql.waitForStarted())
        return QStringLiteral("isql-fb: %1").arg(isql.errorString());
    isql.write(script.toUtf8());
    isql.closeWriteChannel();
    if (!isql.waitForFinished(60000) || isql.exitCode() != 0)
        return QStringLiteral("isql-fb: %1").arg(QString::fromLocal8Bit(isql.readAllStandardError()));
    return {};
}

QString FbTestServer::start() {
    if (binary().isEmpty())
        return QStringLiteral("no Firebird server in %1: run scripts/fetch-test-server.sh")
            .arg(QStringLiteral(KESTRUM_FB_SERVER));
    if (!dir_.isValid())
        return dir_.errorString();
    const QString conf = dir_.filePath(QStringLiteral("conf"));
    for (const QString& sub : {QStringLiteral("conf"), QStringLiteral("lock"), QStringLiteral("data")})
        QDir().mkpath(dir_.filePath(sub));
    QFile::link(ENGINE_FOLDER + QStringLiteral("/firebird.msg"), conf + QStringLiteral("/firebird.msg"));
    QFile::copy(QStringLiteral("/etc/firebird/3.0/plugins.conf"), conf + QStringLiteral("/plugins.conf"));
    port_ = freePort();
    if (port_ == 0)
        return QStringLiteral("no free loopback port");
    const QString security = conf + QStringLiteral("/security3.fdb");
    const QString config = QStringLiteral("RemoteServicePort = %1\n"
                                          "RemoteBindAddress = 127.0.0.1\n"
                                          "SecurityDatabase = %2\n"
                                          "AuthServer = Srp\n"
                                          "UserManager = Srp\n"
                                          "ServerMode = Super\n")
                               .arg(port_)
                               .arg(security);
    if (!writeText(conf + QStringLiteral("/firebird.conf"), config) ||
        !writeText(conf + QStringLiteral("/databases.conf"), QString()))
        return QStringLiteral("cannot write the server's configuration in %1").arg(conf);
    if (QString e = runIsql(QStringLiteral("CREATE DATABASE '%1' USER 'SYSDBA';\n").arg(security), {});
        !e.isEmpty())
        return e;
    if (QString e = runIsql(QStringLiteral("CREATE USER SYSDBA PASSWORD '%1';\nCOMMIT;\n").arg(password()),
                            {QStringLiteral("-user"), QStringLiteral("SYSDBA"), security});
        !e.isEmpty())
        return e;

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("FIREBIRD"), conf);
    env.insert(QStringLiteral("FIREBIRD_LOCK"), dir_.filePath(QStringLiteral("lock")));
    process_.setProcessEnvironment(env);
    process_.setStandardOutputFile(dir_.filePath(QStringLiteral("server.out")));
    process_.setStandardErrorFile(dir_.filePath(QStringLiteral("server.out")), QIODevice::Append);
    // A test that aborts must not leave its server behind.
    process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process_.start(binary(), {});
    if (!process_.waitForStarted())
        return QStringLiteral("%1: %2").arg(binary(), process_.errorString());
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port_));
        if (probe.waitForConnected(500))
            return {};
        if (process_.state() != QProcess::Running)
            return QStringLiteral("the server ended: exit %1").arg(process_.exitCode());
        QThread::msleep(100);
    }
    return QStringLiteral("the server does not listen on port %1").arg(port_);
}

void FbTestServer::stop() {
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.terminate();
    if (!process_.waitForFinished(10000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

} // namespace kestrum::test
