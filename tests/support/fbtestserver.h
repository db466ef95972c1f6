// A Firebird server of the test's own on a free loopback port: Debian's server binary unpacked in
// the build tree, with its own configuration, security database, lock folder and data folder under
// a temporary folder. Nothing of the machine's is used or changed.
#pragma once

#include "Variables.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace kestrum::test {

class FbTestServer {
public:
    FbTestServer();
    ~FbTestServer();
    FbTestServer(const FbTestServer&) = delete;
    FbTestServer& operator=(const FbTestServer&) = delete;

    // Starts the server; an empty text when it listens, else what went wrong.
    QString start();
    void stop();

    int port() const { return port_; }
    QString password() const { return QStringLiteral("kestrum-test"); }
    QString dataFolder() const; // where the server keeps the test's databases
    // The settings of a console using this server.
    config::DatabaseSettings settings() const;

    static QString binary(); // the unpacked server, or empty

private:
    QString runIsql(const QString& script, const QStringList& args);

    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
};

} // namespace kestrum::test
