#include "dbconnection.h"

#include <QAtomicInteger>
#include <QDir>
#include <QSqlError>
#include <cerrno>
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
    if (!s.embedded()) {
        db.setHostName(s.host);
        db.setPassword(s.password);
        if (s.port > 0)
            db.setPort(s.port);
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

QString Db::target(const DbServer& server, const QString& path) {
    if (server.embedded())
        return path;
    const QString port = server.port > 0 ? QStringLiteral("/%1").arg(server.port) : QString();
    return server.host + port + QLatin1Char(':') + path;
}

void Db::createDatabase(const QString& path) {
    const DbServer& s = currentServer();
    QString sql = QStringLiteral("CREATE DATABASE %1 USER %2").arg(quoted(target(path)), quoted(s.user));
    if (!s.embedded())
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

namespace {

// An attachment through the client library, for what the driver cannot do.
class Attachment {
public:
    explicit Attachment(const QString& path, const DbServer& s = currentServer()) {
        QByteArray dpb;
        dpb.append(static_cast<char>(isc_dpb_version1));
        const auto put = [&dpb](char tag, const QString& text) {
            const QByteArray bytes = text.toUtf8();
            dpb.append(tag);
            dpb.append(static_cast<char>(bytes.size()));
            dpb.append(bytes);
        };
        put(isc_dpb_user_name, s.user.isEmpty() ? QStringLiteral("SYSDBA") : s.user);
        if (!s.embedded())
            put(isc_dpb_password, s.password);
        const QByteArray name = Db::target(s, path).toUtf8();
        failed_ = isc_attach_database(status_, static_cast<short>(name.size()), name.constData(), &handle_,
                                      static_cast<short>(dpb.size()), dpb.constData()) != 0;
    }
    ~Attachment() {
        if (handle_)
            isc_detach_database(status_, &handle_);
    }
    Attachment(const Attachment&) = delete;
    Attachment& operator=(const Attachment&) = delete;

    bool failed() const { return failed_; }
    // Whether the failure was the operating system's "no such file" on the database.
    // A server sends the system's reason as text, in the C locale a server runs with.
    bool missingFile() const {
        bool openFailed = false;
        for (const ISC_STATUS* p = status_; *p != isc_arg_end; p += (*p == isc_arg_cstring ? 3 : 2)) {
            if (p[0] == isc_arg_gds && p[1] == isc_io_open_err)
                openFailed = true;
            if (p[0] == isc_arg_unix && p[1] == ENOENT)
                return openFailed;
            if (p[0] == isc_arg_interpreted &&
                qstrcmp(reinterpret_cast<const char*>(p[1]), "No such file or directory") == 0)
                return openFailed;
        }
        return false;
    }
    [[noreturn]] void raise(const QString& path) const {
        throw DbError(QStringLiteral("%1: %2").arg(path, statusText(status_)),
                      QString::number(isc_sqlcode(status_)));
    }
    void drop(const QString& path) {
        if (isc_drop_database(status_, &handle_))
            raise(path);
        handle_ = 0;
    }

private:
    ISC_STATUS_ARRAY status_{};
    isc_db_handle handle_ = 0;
    bool failed_ = false;
};

} // namespace

void Db::dropDatabase(const QString& path) {
    Attachment a(path);
    if (a.failed())
        a.raise(path);
    a.drop(path);
    qCDebug(lcStore) << "dropped" << path;
}

bool Db::databaseExists(const DbServer& server, const QString& path) {
    const Attachment a(path, server);
    if (!a.failed())
        return true;
    if (a.missingFile())
        return false;
    a.raise(path);
}

QString Db::serverVersion(const DbServer& server) {
    QByteArray spb;
    spb.append(static_cast<char>(isc_spb_version));
    spb.append(static_cast<char>(isc_spb_current_version));
    const auto put = [&spb](char tag, const QString& text) {
        const QByteArray bytes = text.toUtf8();
        spb.append(tag);
        spb.append(static_cast<char>(bytes.size()));
        spb.append(bytes);
    };
    put(isc_spb_user_name, server.user.isEmpty() ? QStringLiteral("SYSDBA") : server.user);
    if (!server.embedded())
        put(isc_spb_password, server.password);
    const QByteArray name = target(server, QStringLiteral("service_mgr")).toUtf8();
    ISC_STATUS_ARRAY status{};
    isc_svc_handle handle = 0;
    if (isc_service_attach(status, static_cast<unsigned short>(name.size()), name.constData(), &handle,
                           static_cast<unsigned short>(spb.size()), spb.constData()))
        throw DbError(statusText(status), QString::number(isc_sqlcode(status)));
    const char items[] = {isc_info_svc_server_version};
    char buffer[512];
    QString version;
    if (!isc_service_query(status, &handle, nullptr, 0, nullptr, sizeof items, items, sizeof buffer,
                           buffer) &&
        buffer[0] == isc_info_svc_server_version) {
        const int length = static_cast<int>(isc_vax_integer(buffer + 1, 2));
        version = QString::fromUtf8(buffer + 3, std::min(length, static_cast<int>(sizeof buffer) - 3));
    }
    const bool queryFailed = version.isEmpty();
    const QString why = queryFailed ? statusText(status) : QString();
    isc_service_detach(status, &handle);
    if (queryFailed)
        throw DbError(why, QString());
    return version;
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
