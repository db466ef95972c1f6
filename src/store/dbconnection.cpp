#include "dbconnection.h"

#include <QAtomicInteger>
#include <QDir>
#include <QSqlError>
#include <ibase.h>

namespace kestrum::store {

Q_LOGGING_CATEGORY(lcStore, "kestrum.store", QtWarningMsg)

namespace {

DbServer& currentServer() {
    static DbServer s;
    return s;
}

QString statusText(const ISC_STATUS* status) {
    char buffer[1024];
    const ISC_STATUS* p = status;
    QStringList parts;
    while (fb_interpret(buffer, sizeof buffer, &p) > 0)
        parts << QString::fromLocal8Bit(buffer);
    return parts.join(QLatin1String(" - "));
}

QString quoted(const QString& text) {
    QString t = text;
    return QLatin1Char('\'') + t.replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
}

} // namespace

void raise(const QSqlError& error, const QString& what) {
    QString message = error.databaseText().trimmed();
    if (message.isEmpty())
        message = error.text().trimmed();
    if (!error.driverText().isEmpty() && !message.contains(error.driverText()))
        message = error.driverText() + QLatin1String(": ") + message;
    DbError e(message, error.nativeErrorCode());
    // Duplicates are expected where an insert may meet an existing row; the caller decides.
    if (e.isDuplicateKey())
        qCDebug(lcStore).noquote() << what << "failed:" << message;
    else
        qCWarning(lcStore).noquote() << what << "failed:" << message;
    throw e;
}

void Db::prepareEnvironment(const QString& lockFolder) {
    // The engine reads the folder once per process: the first call decides.
    static bool done = false;
    if (done)
        return;
    done = true;
    QDir().mkpath(lockFolder);
    qputenv("FIREBIRD_LOCK", QFile::encodeName(lockFolder));
}

void Db::setServer(const DbServer& server) {
    currentServer() = server;
}

DbServer Db::server() {
    return currentServer();
}

QSqlDatabase Db::connect(const QString& path) {
    static QAtomicInteger<int> serial = 0;
    const QString name = QStringLiteral("kestrum-%1").arg(++serial);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), name);
    const DbServer& s = currentServer();
    db.setDatabaseName(path);
    // Embedded, the password is ignored but the user decides the rights: always SYSDBA.
    db.setUserName(s.user.isEmpty() ? QStringLiteral("SYSDBA") : s.user);
    if (!s.host.isEmpty()) {
        db.setHostName(s.host);
        db.setPassword(s.password);
    }
    db.setConnectOptions(QStringLiteral("ISC_DPB_LC_CTYPE=UTF8"));
    if (!db.open()) {
        const QSqlError error = db.lastError();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        raise(error, QStringLiteral("opening %1").arg(path));
    }
    qCDebug(lcStore) << "connected" << name << path;
    return db;
}

void Db::disconnect(QSqlDatabase& db) {
    if (!db.isValid())
        return;
    const QString name = db.connectionName();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
    qCDebug(lcStore) << "disconnected" << name;
}

void Db::createDatabase(const QString& path) {
    const DbServer& s = currentServer();
    const QString target = s.host.isEmpty() ? path : s.host + QLatin1Char(':') + path;
    QString sql = QStringLiteral("CREATE DATABASE %1 USER %2").arg(quoted(target), quoted(s.user));
    if (!s.host.isEmpty())
        sql += QStringLiteral(" PASSWORD %1").arg(quoted(s.password));
    sql += QLatin1String(" PAGE_SIZE 8192 DEFAULT CHARACTER SET UTF8");
    ISC_STATUS_ARRAY status{};
    isc_db_handle db = 0;
    isc_tr_handle tr = 0;
    const QByteArray statement = sql.toUtf8();
    if (isc_dsql_execute_immediate(status, &db, &tr, 0, statement.constData(), 3, nullptr))
        throw DbError(QStringLiteral("%1: %2").arg(path, statusText(status)),
                      QString::number(isc_sqlcode(status)));
    isc_detach_database(status, &db);
    qCDebug(lcStore) << "created" << path;
}

void Db::exec(const QSqlDatabase& db, const QString& sql, const QVariantMap& values) {
    Query q(db);
    q.prepare(sql);
    for (auto it = values.begin(); it != values.end(); ++it)
        q.bind(it.key(), it.value());
    q.exec();
}

QVariant Db::scalar(const QSqlDatabase& db, const QString& sql, const QVariantMap& values) {
    Query q(db);
    q.prepare(sql);
    for (auto it = values.begin(); it != values.end(); ++it)
        q.bind(it.key(), it.value());
    q.exec();
    return q.next() ? q.value(0) : QVariant();
}

Query::Query(const QSqlDatabase& db) : q_(db) {
    q_.setForwardOnly(true);
}

Query& Query::prepare(const QString& sql) {
    sql_ = sql;
    if (!q_.prepare(sql))
        raise(q_.lastError(), sql);
    return *this;
}

Query& Query::bind(const QString& name, const QVariant& value) {
    // The driver binds a null QString as NULL; an empty text is stored as ''.
    const bool nullText = value.metaType() == QMetaType::fromType<QString>() && value.toString().isNull();
    q_.bindValue(name.startsWith(QLatin1Char(':')) ? name : QLatin1Char(':') + name,
                 nullText ? QVariant(QStringLiteral("")) : value);
    return *this;
}

Query& Query::exec() {
    if (!q_.exec())
        raise(q_.lastError(), sql_);
    return *this;
}

} // namespace kestrum::store
