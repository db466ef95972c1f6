#include "tempdataroot.h"

#include "Lang.h"
#include "Variables.h"
#include "dataroot.h"
#include "dbconnection.h"
#include "schema.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace kestrum::test {

namespace {
// One lock folder per test process, so that tests running side by side share no engine state;
// never removed while the process lives (the engine uses it until exit). Folders of processes that
// are gone are removed by the next test to start.
void lockOnce() {
    static const bool done = [] {
        const QString prefix = QStringLiteral("kestrum-test-firebird-lock-");
        QDir temp(QDir::tempPath());
        for (const QString& name : temp.entryList({prefix + QLatin1Char('*')}, QDir::Dirs)) {
            bool ok = false;
            const auto pid = static_cast<pid_t>(name.mid(prefix.size()).toLongLong(&ok));
            if (ok && pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH)
                QDir(temp.filePath(name)).removeRecursively();
        }
        store::Db::prepareEnvironment(temp.filePath(prefix + QString::number(::getpid())));
        return true;
    }();
    (void)done;
}
} // namespace

TempDataRoot::TempDataRoot() : previousXdg_(qgetenv("XDG_DATA_HOME")) {
    lockOnce();
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir_.path()));
    config::DataRoot::reset();
    config::Variables::reset();
    config::Lang::instance().close();
    QDir().mkpath(path());
}

TempDataRoot::~TempDataRoot() {
    config::Lang::instance().close();
    if (previousXdg_.isEmpty())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", previousXdg_);
    config::DataRoot::reset();
}

QString TempDataRoot::path() const {
    return config::DataRoot::path();
}

QString TempDataRoot::path(const QString& name) const {
    return config::DataRoot::file(name);
}

QString TempDataRoot::bdks() const {
    return config::DataRoot::bdks();
}

QString TempDataRoot::catalogue() const {
    return bdks() + QLatin1Char('/') + QLatin1String(store::schema::CATALOGUE_FILE);
}

QString TempDataRoot::installation(int code) const {
    return bdks() + QLatin1Char('/') + store::schema::installationFile(code);
}

void TempDataRoot::write(const QString& name, const QByteArray& bytes) const {
    QFile f(path(name));
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(f.errorString()));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray TempDataRoot::read(const QString& name) const {
    QFile f(path(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TempDataRoot::provision() {
    store::Prepara_Ficheros_BD(bdks());
}

} // namespace kestrum::test
