// The one place that builds database connections and runs statements. Embedded Firebird by
// default; a Firebird server when the settings name a host. Every failure becomes a DbError that
// carries the driver's message.
#pragma once

#include "kerror.h"

#include <QLoggingCategory>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

namespace kestrum::store {

Q_DECLARE_LOGGING_CATEGORY(lcStore)

class DbError : public Error {
public:
    DbError(const QString& message, const QString& nativeCode) : Error(message), code_(nativeCode) {}
    const QString& nativeCode() const { return code_; }
    // Firebird's "violation of PRIMARY or UNIQUE KEY constraint"
    bool isDuplicateKey() const { return code_ == QLatin1String("-803"); }

private:
    QString code_;
};

struct DbServer {
    QString host; // empty: the embedded engine
    QString user = QStringLiteral("SYSDBA");
    QString password;
    int port = 0; // 0: the server's default (3050)
    // The folder, on the server, of the catalogue and the installations.
    QString folder;
    bool embedded() const { return host.isEmpty(); }
};

class Db {
public:
    // Where the engine keeps its lock files; must be set before the first Firebird call and be the
    // same for every process that opens the same files. Only the first call in a process counts.
    static void prepareEnvironment(const QString& lockFolder);
    static void setServer(const DbServer& server);
    static DbServer server();

    // Opens a new connection of its own to the database file at `path`.
    static QSqlDatabase connect(const QString& path);
    static void disconnect(QSqlDatabase& db);

    // How the client library names `path` of `server`: "host/port:path", or the path itself
    // embedded.
    static QString target(const DbServer& server, const QString& path);
    static QString target(const QString& path) { return target(server(), path); }

    // Creates an empty database file (the driver cannot); dialect 3, UTF8. Fails when it exists.
    static void createDatabase(const QString& path);
    // Removes the database (with the server, on the server); fails while another connection has it.
    static void dropDatabase(const QString& path);
    // Whether the database at `path` exists; raises DbError for any other failure to open it (a
    // server that does not answer, a refused password).
    static bool databaseExists(const QString& path) { return databaseExists(server(), path); }
    static bool databaseExists(const DbServer& server, const QString& path);
    // The server's version text, through its service manager; raises DbError with the server's
    // answer when it cannot be reached or refuses the user.
    static QString serverVersion(const DbServer& server);

    // Runs `sql` on `db` with named values bound; raises DbError.
    static void exec(const QSqlDatabase& db, const QString& sql, const QVariantMap& values = {});
    // The first column of the first row, or an invalid value when there is no row.
    static QVariant scalar(const QSqlDatabase& db, const QString& sql, const QVariantMap& values = {});
};

// A statement that raises DbError instead of returning false.
class Query {
public:
    explicit Query(const QSqlDatabase& db);
    Query& prepare(const QString& sql);
    // A null QString binds as '' (not NULL), as do Db::exec's and Db::scalar's values.
    Query& bind(const QString& name, const QVariant& value);
    Query& exec();
    bool next() { return q_.next(); }
    QVariant value(int column) const { return q_.value(column); }
    QString text(int column) const { return q_.value(column).toString(); }
    int integer(int column) const { return q_.value(column).toInt(); }
    void close() { q_.finish(); }
    QSqlQuery& raw() { return q_; }

private:
    QSqlQuery q_;
    QString sql_;
};

// Raises DbError from a driver error; `what` says which statement failed.
[[noreturn]] void raise(const QSqlError& error, const QString& what);

} // namespace kestrum::store
