#include "udorqserver.h"

#include "dataroot.h"
#include "dbconnection.h"
#include "schema.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPasswordDigestor>
#include <QRandomGenerator>
#include <QTemporaryFile>
#include <fcntl.h>
#include <filesystem>
#include <ibase.h>
#include <unistd.h>
#include <vector>

namespace kestrum::store {

namespace detail {

namespace {
ReplaceHook& replaceHook() {
    static ReplaceHook hook;
    return hook;
}
} // namespace

void setReplaceHookForTests(ReplaceHook hook) {
    replaceHook() = std::move(hook);
}

} // namespace detail

namespace {

constexpr int PBKDF2_ITERATIONS = 20000;
const QLatin1String HASH_PREFIX("pbkdf2-sha256$");

QByteArray derive(const QString& password, const QByteArray& salt, int iterations) {
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, password.toUtf8(), salt, iterations,
                                              32);
}

// The code in a base name "instalacion_<code>[_...]".
QString codeOf(const QString& baseName) {
    const qsizetype first = baseName.indexOf(QLatin1Char('_'));
    if (first < 0)
        return {};
    const qsizetype next = baseName.indexOf(QLatin1Char('_'), first + 1);
    return baseName.mid(first + 1, next < 0 ? -1 : next - first - 1);
}

// ---- services (backup and restore) ----

QString statusText(const ISC_STATUS* status) {
    char buffer[1024];
    const ISC_STATUS* p = status;
    QStringList parts;
    while (fb_interpret(buffer, sizeof buffer, &p) > 0)
        parts << QString::fromLocal8Bit(buffer);
    return parts.join(QLatin1String(" - "));
}

void putText(QByteArray& spb, char tag, const QString& text, bool wideLength) {
    const QByteArray bytes = text.toUtf8();
    spb.append(tag);
    if (wideLength) {
        spb.append(static_cast<char>(bytes.size() & 0xFF));
        spb.append(static_cast<char>((bytes.size() >> 8) & 0xFF));
    } else {
        spb.append(static_cast<char>(bytes.size()));
    }
    spb.append(bytes);
}

void putInt(QByteArray& spb, char tag, quint32 value) {
    spb.append(tag);
    for (int i = 0; i < 4; ++i)
        spb.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// The engine's backup code asks on standard input for the next volume when a backup file ends
// early; it must read end-of-file at once rather than wait for an operator who is not there.
class NoStandardInput {
public:
    NoStandardInput() : saved_(::dup(STDIN_FILENO)) {
        const int null = ::open("/dev/null", O_RDONLY);
        if (null >= 0) {
            ::dup2(null, STDIN_FILENO);
            ::close(null);
        }
    }
    ~NoStandardInput() {
        if (saved_ >= 0) {
            ::dup2(saved_, STDIN_FILENO);
            ::close(saved_);
        }
    }
    NoStandardInput(const NoStandardInput&) = delete;
    NoStandardInput& operator=(const NoStandardInput&) = delete;

private:
    int saved_;
};

// isc_vax_integer takes the top bit of two bytes as a sign: a chunk of 32 KB or more would come out
// negative.
int length16(const char* p) {
    return static_cast<quint8>(p[0]) | (static_cast<quint8>(p[1]) << 8);
}

class Service {
public:
    explicit Service(const DbServer& server) {
        QByteArray spb;
        spb.append(static_cast<char>(isc_spb_version));
        spb.append(static_cast<char>(isc_spb_current_version));
        putText(spb, isc_spb_user_name, server.user.isEmpty() ? QStringLiteral("SYSDBA") : server.user,
                false);
        if (!server.host.isEmpty())
            putText(spb, isc_spb_password, server.password, false);
        const QByteArray name = Db::target(server, QStringLiteral("service_mgr")).toUtf8();
        if (isc_service_attach(status_, static_cast<unsigned short>(name.size()), name.constData(), &handle_,
                               static_cast<unsigned short>(spb.size()), spb.constData()))
            throw Error(statusText(status_));
    }
    ~Service() {
        if (handle_)
            isc_service_detach(status_, &handle_);
    }

    // Starts the action and reads its output to the end; raises Error with the engine's message
    // unless a line holding `doneMark` (the tool's last words on success) came out.
    void run(const QByteArray& request, const QString& doneMark, const DORQServer::Progress& progress) {
        NoStandardInput noInput;
        if (isc_service_start(status_, &handle_, nullptr, static_cast<unsigned short>(request.size()),
                              request.constData()))
            throw Error(statusText(status_));
        const char items[] = {isc_info_svc_line};
        char buffer[4096];
        QStringList lastLines;
        bool done = false;
        for (;;) {
            if (isc_service_query(status_, &handle_, nullptr, 0, nullptr, sizeof items, items, sizeof buffer,
                                  buffer))
                throw Error(statusText(status_));
            if (buffer[0] != isc_info_svc_line)
                break;
            const int length = length16(buffer + 1);
            if (length == 0)
                break;
            const QString line = QString::fromUtf8(buffer + 3, length).trimmed();
            if (progress)
                progress(line);
            done = done || line.contains(doneMark);
            lastLines << line;
            if (lastLines.size() > 3)
                lastLines.removeFirst();
        }
        if (!done)
            throw Error(QStringLiteral("incomplete: %1").arg(lastLines.join(QLatin1String(" / "))));
    }

    // A backup to "stdout": the server sends the backup itself, written to `out` as it comes.
    void receive(const QByteArray& request, QFile& out, const DORQServer::Progress& progress) {
        if (isc_service_start(status_, &handle_, nullptr, static_cast<unsigned short>(request.size()),
                              request.constData()))
            throw Error(statusText(status_));
        const char items[] = {isc_info_svc_to_eof};
        std::vector<char> buffer(64 * 1024);
        qint64 total = 0, reported = 0;
        for (;;) {
            if (isc_service_query(status_, &handle_, nullptr, 0, nullptr, sizeof items, items,
                                  static_cast<unsigned short>(buffer.size() - 1), buffer.data()))
                throw Error(statusText(status_));
            const char* p = buffer.data();
            const char* end = p + buffer.size() - 1;
            qint64 got = 0;
            bool waiting = false;
            while (p < end && *p != isc_info_end) {
                const char tag = *p++;
                if (tag == isc_info_svc_to_eof) {
                    const int length = length16(p);
                    p += 2;
                    if (length > end - p)
                        throw Error(QStringLiteral("the server's reply does not fit its buffer"));
                    if (out.write(p, length) != length)
                        throw Error(QStringLiteral("%1: %2").arg(out.fileName(), out.errorString()));
                    p += length;
                    got += length;
                } else if (tag == isc_info_truncated || tag == isc_info_data_not_ready ||
                           tag == isc_info_svc_timeout) {
                    waiting = true;
                } else {
                    break;
                }
            }
            total += got;
            if (progress && total - reported >= 1024 * 1024) {
                reported = total;
                progress(QStringLiteral("%1 MB").arg(total / (1024 * 1024)));
            }
            if (got == 0 && !waiting)
                break;
        }
        if (total == 0)
            throw Error(QStringLiteral("the server sent no backup"));
    }

    // A restore from "stdin": sends `in` as the server asks for it; raises Error unless a line
    // holding `doneMark` came out.
    void send(const QByteArray& request, QFile& in, const QString& doneMark,
              const DORQServer::Progress& progress) {
        if (isc_service_start(status_, &handle_, nullptr, static_cast<unsigned short>(request.size()),
                              request.constData()))
            throw Error(statusText(status_));
        const char items[] = {isc_info_svc_stdin, isc_info_svc_line};
        std::vector<char> buffer(16 * 1024);
        QByteArray sendItems;
        QStringList lastLines;
        bool done = false;
        for (;;) {
            if (isc_service_query(status_, &handle_, nullptr, static_cast<unsigned short>(sendItems.size()),
                                  sendItems.isEmpty() ? nullptr : sendItems.constData(), sizeof items, items,
                                  static_cast<unsigned short>(buffer.size() - 1), buffer.data()))
                throw Error(statusText(status_));
            sendItems.clear();
            const char* p = buffer.data();
            const char* end = p + buffer.size() - 1;
            qint64 wanted = 0;
            bool talked = false;
            while (p < end && *p != isc_info_end) {
                const char tag = *p++;
                if (tag == isc_info_svc_stdin) {
                    wanted = isc_vax_integer(p, 4);
                    p += 4;
                } else if (tag == isc_info_svc_line) {
                    const int length = length16(p);
                    p += 2;
                    if (length > end - p)
                        throw Error(QStringLiteral("the server's reply does not fit its buffer"));
                    if (length > 0) {
                        talked = true;
                        const QString line = QString::fromUtf8(p, length).trimmed();
                        if (progress)
                            progress(line);
                        done = done || line.contains(doneMark);
                        lastLines << line;
                        if (lastLines.size() > 3)
                            lastLines.removeFirst();
                    }
                    p += length;
                } else if (tag == isc_info_truncated || tag == isc_info_data_not_ready ||
                           tag == isc_info_svc_timeout) {
                    talked = true;
                } else {
                    break;
                }
            }
            if (wanted > 0) {
                // The length of a sent item has two bytes.
                const QByteArray chunk = in.read(std::min<qint64>(wanted, 32 * 1024));
                if (chunk.isEmpty() && in.error() != QFileDevice::NoError)
                    throw Error(QStringLiteral("%1: %2").arg(in.fileName(), in.errorString()));
                sendItems.append(static_cast<char>(isc_info_svc_line));
                sendItems.append(static_cast<char>(chunk.size() & 0xFF));
                sendItems.append(static_cast<char>((chunk.size() >> 8) & 0xFF));
                sendItems.append(chunk);
                continue;
            }
            if (!talked)
                break;
        }
        if (!done)
            throw Error(QStringLiteral("incomplete: %1").arg(lastLines.join(QLatin1String(" / "))));
    }

private:
    ISC_STATUS_ARRAY status_{};
    isc_svc_handle handle_ = 0;
};

bool nonEmptyFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.size() > 0;
}

// Puts `from` in the place of `to` in one step: rename(2) replaces an existing `to` atomically, so
// there is no moment when neither exists (QFile::rename refuses to overwrite). Returns the system's
// reason when it fails, else an empty text.
QString replaceFile(const QString& from, const QString& to) {
    std::error_code ec;
    if (const detail::ReplaceHook& hook = detail::replaceHook())
        ec = hook(from, to);
    if (!ec)
        std::filesystem::rename(QFile::encodeName(from).toStdString(), QFile::encodeName(to).toStdString(),
                                ec);
    return ec ? QString::fromLocal8Bit(ec.message().c_str()) : QString();
}

// `base`, or `base.1`, `base.2`...: a name nothing has, so what an earlier failure left is kept.
QString freeName(const QString& base) {
    QString name = base;
    for (int i = 1; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++i)
        name = base + QLatin1Char('.') + QString::number(i);
    return name;
}

QString canonicalPath(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

// Whether a connection of this process has the database file at `path` open. File names compare
// without case, as the database folder's look-ups do.
bool openHere(const QString& path) {
    const QFileInfo target(canonicalPath(path));
    const QStringList names = QSqlDatabase::connectionNames();
    for (const QString& name : names) {
        const QSqlDatabase db = QSqlDatabase::database(name, false);
        if (!db.isOpen())
            continue;
        const QFileInfo other(canonicalPath(db.databaseName()));
        if (other.path() == target.path() &&
            other.fileName().compare(target.fileName(), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// The database file of the installation `baseName` ("instalacion_<code>") in `folder`.
QString databaseIn(const QString& folder, const QString& baseName) {
    if (Db::server().embedded())
        return config::DataRoot::findFileNoCase(folder, baseName + QLatin1String(".FDB"));
    bool ok = false;
    const int code = codeOf(baseName).toInt(&ok);
    return folder + QLatin1Char('/') +
           (ok ? schema::installationFile(code) : baseName + QLatin1String(".FDB"));
}

QByteArray backupRequest(const QString& database, const QString& file) {
    QByteArray request;
    request.append(static_cast<char>(isc_action_svc_backup));
    putText(request, isc_spb_dbname, database, true);
    putText(request, isc_spb_bkp_file, file, true);
    return request;
}

QByteArray restoreRequest(const QString& file, const QString& database, quint32 options) {
    QByteArray request;
    request.append(static_cast<char>(isc_action_svc_restore));
    putText(request, isc_spb_bkp_file, file, true);
    putText(request, isc_spb_dbname, database, true);
    putInt(request, isc_spb_options, options);
    request.append(static_cast<char>(isc_spb_verbose));
    return request;
}

const QLatin1String BACKUP_DONE("committing, and finishing");
const QLatin1String RESTORE_DONE("finishing, closing, and going home");

// A backup by a server lands on this machine: the server streams it to us.
void backupFromServer(const QString& database, const QString& file, const DORQServer::Progress& progress) {
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw Error(QStringLiteral("%1: %2").arg(file, out.errorString()));
    Service(Db::server()).receive(backupRequest(database, QStringLiteral("stdout")), out, progress);
    if (!out.flush() || out.error() != QFileDevice::NoError)
        throw Error(QStringLiteral("%1: %2").arg(file, out.errorString()));
    out.close();
}

void restoreOnServer(const QString& file, const QString& database, const DORQServer::Progress& progress) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("%1: %2").arg(file, in.errorString()));
    Service(Db::server())
        .send(restoreRequest(QStringLiteral("stdin"), database, isc_spb_res_replace), in, RESTORE_DONE,
              progress);
}

// The users' connections to the database other than the asking one.
int otherAttachments(const QString& database) {
    QSqlDatabase db = Db::connect(database);
    int n = 0;
    try {
        n = Db::scalar(db, QStringLiteral("SELECT COUNT(*) FROM MON$ATTACHMENTS WHERE MON$SYSTEM_FLAG = 0 "
                                          "AND MON$ATTACHMENT_ID <> CURRENT_CONNECTION"))
                .toInt();
    } catch (...) {
        Db::disconnect(db);
        throw;
    }
    Db::disconnect(db);
    return n;
}

// The restored database must open and hold the installation's tables.
void checkRestored(const QString& database) {
    QSqlDatabase check = Db::connect(database);
    try {
        Db::scalar(check, QStringLiteral("SELECT COUNT(*) FROM DORQCONTROLADOR"));
    } catch (...) {
        Db::disconnect(check);
        throw;
    }
    Db::disconnect(check);
}

} // namespace

DORQServer::~DORQServer() {
    Cierra();
}

void DORQServer::Configura_Conexion(const QString& host, const QString& database, const QString& password,
                                    const QString& user) {
    Cierra();
    host_ = host;
    database_ = database;
    password_ = password;
    user_ = user;
}

void DORQServer::Cierra() {
    Db::disconnect(db_);
}

const QSqlDatabase& DORQServer::db() {
    if (!db_.isValid() || !db_.isOpen())
        db_ = Db::connect(database_);
    return db_;
}

QString DORQServer::folder() const {
    return QFileInfo(database_).absolutePath();
}

QStringList DORQServer::Lista_Instalaciones() {
    Query q(db());
    q.prepare(QStringLiteral("select COD,NOMBRE from instalacion  ORDER BY COD asc")).exec();
    QStringList out;
    while (q.next())
        out << QStringLiteral("%1.- %2").arg(q.integer(0)).arg(q.text(1));
    return out;
}

int DORQServer::Registra_Instalacion(const QString& nombre) {
    Query q(db());
    // The code comes back from the insert itself: another console may move the generator meanwhile.
    q.prepare(
         QStringLiteral("INSERT INTO INSTALACION VALUES(gen_id(INSTALACION_ID, 1),:nombre) RETURNING COD"))
        .bind(QStringLiteral("nombre"), nombre)
        .exec();
    if (!q.next())
        throw Error(QStringLiteral("the new installation's code was not returned"));
    return q.integer(0);
}

int DORQServer::Crea_Instalacion(const QString& nombre) {
    const int code = Registra_Instalacion(nombre);
    if (!Db::server().embedded()) {
        // The server makes the database; it refuses a name that exists, which stays untouched.
        try {
            schema::createInstallation(folder() + QLatin1Char('/') + schema::installationFile(code));
        } catch (...) {
            Db::exec(db(), QStringLiteral("DELETE FROM instalacion WHERE COD=:cod"),
                     {{QStringLiteral("cod"), code}});
            throw;
        }
        return code;
    }
    const QString dir = folder();
    const QString templateFile = config::DataRoot::findFileNoCase(dir, QLatin1String(schema::TEMPLATE_FILE));
    const QString existing = config::DataRoot::findFileNoCase(dir, schema::installationFile(code));
    const QString target = dir + QLatin1Char('/') + schema::installationFile(code);
    QString failure;
    if (QFileInfo::exists(existing)) {
        // A leftover file of that name is kept aside, never overwritten.
        const QString aside = existing + QLatin1String(".") +
                              QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
        if (!QFile::rename(existing, aside))
            failure = QStringLiteral("cannot move %1 aside").arg(existing);
    }
    if (failure.isEmpty()) {
        QFile source(templateFile);
        if (!source.copy(target))
            failure =
                QStringLiteral("cannot copy %1 to %2: %3").arg(templateFile, target, source.errorString());
    }
    if (!failure.isEmpty()) {
        Db::exec(db(), QStringLiteral("DELETE FROM instalacion WHERE COD=:cod"),
                 {{QStringLiteral("cod"), code}});
        throw Error(failure);
    }
    return code;
}

void DORQServer::Borra_Instalacion(const QString& baseName) {
    bool ok = false;
    const int code = codeOf(baseName).toInt(&ok);
    if (!ok)
        return;
    Db::exec(db(), QStringLiteral("DELETE FROM instalacion WHERE COD=:cod"), {{QStringLiteral("cod"), code}});
}

void DORQServer::Elimina_Instalacion(int code) {
    const QString base = QStringLiteral("instalacion_%1").arg(code);
    if (!Db::server().embedded()) {
        // Dropped first: while another console has it open the server refuses, and nothing changes.
        const QString database = databaseIn(folder(), base);
        if (Db::databaseExists(database))
            Db::dropDatabase(database);
        Borra_Instalacion(base);
        return;
    }
    Borra_Instalacion(base);
    QFile file(databaseIn(folder(), base));
    if (file.exists() && !file.remove())
        throw Error(QStringLiteral("%1: %2").arg(file.fileName(), file.errorString()));
}

bool DORQServer::Existe_Instalacion(const QString& code) {
    bool ok = false;
    const int n = code.trimmed().toInt(&ok);
    if (!ok)
        return false;
    return Db::scalar(db(), QStringLiteral("SELECT COUNT(*) AS CNT FROM INSTALACION WHERE COD=:cod"),
                      {{QStringLiteral("cod"), n}})
               .toInt() == 1;
}

void DORQServer::Exporta_Instalacion(const QString& baseName, const QString& targetFile,
                                     const QString& folder, const Progress& progress) {
    const QString database = databaseIn(folder, baseName);
    const bool embedded = Db::server().embedded();
    if (embedded ? !QFileInfo::exists(database) : !Db::databaseExists(database))
        throw Error(QStringLiteral("%1: no such database").arg(database));
    const QString partial = targetFile + QLatin1String(".part");
    QFile::remove(partial);
    try {
        if (embedded) {
            QByteArray request = backupRequest(database, partial);
            request.append(static_cast<char>(isc_spb_verbose));
            Service(Db::server()).run(request, BACKUP_DONE, progress);
        } else {
            backupFromServer(database, partial, progress);
        }
        if (!nonEmptyFile(partial))
            throw Error(QStringLiteral("backup of %1 wrote nothing").arg(database));
    } catch (...) {
        QFile::remove(partial);
        throw;
    }
    // The previous backup of that name stays until the new one takes its place.
    if (const QString why = replaceFile(partial, targetFile); !why.isEmpty()) {
        QFile::remove(partial);
        throw Error(QStringLiteral("cannot write %1: %2").arg(targetFile, why));
    }
}

void DORQServer::Importa_Instalacion(const QString& baseName, const QString& sourceFile,
                                     const QString& folder, const Progress& progress) {
    const QString database = databaseIn(folder, baseName);
    if (!Db::server().embedded()) {
        importaEnServidor(database, sourceFile, progress);
        return;
    }
    // Its connections would stay on the file moved aside, and that file is removed at the end.
    if (openHere(database))
        throw Error(QStringLiteral("%1 is open in this program: close the installation before restoring it")
                        .arg(database));
    if (!nonEmptyFile(sourceFile))
        throw Error(QStringLiteral("%1: not a backup file").arg(sourceFile));
    const QString restored = database + QLatin1String(".restore");
    QFile::remove(restored);
    try {
        Service(Db::server())
            .run(restoreRequest(sourceFile, restored, isc_spb_res_create), RESTORE_DONE, progress);
        checkRestored(restored);
    } catch (...) {
        QFile::remove(restored);
        throw;
    }
    // The installation is moved aside, not overwritten: it comes back if the restored file cannot
    // take its place, and is removed only once that file is in.
    const bool existed = QFileInfo::exists(database);
    const QString previous = freeName(database + QLatin1String(".previous"));
    if (existed) {
        if (const QString why = replaceFile(database, previous); !why.isEmpty()) {
            QFile::remove(restored);
            throw Error(QStringLiteral("cannot move %1 aside to %2: %3").arg(database, previous, why));
        }
    }
    if (const QString why = replaceFile(restored, database); !why.isEmpty()) {
        if (existed) {
            if (const QString back = replaceFile(previous, database); !back.isEmpty())
                throw Error(QStringLiteral("cannot move %1 to %2: %3; nor move the installation back "
                                           "from %4: %5. The installation is in %4.")
                                .arg(restored, database, why, previous, back));
        }
        QFile::remove(restored);
        throw Error(QStringLiteral("cannot move %1 to %2: %3; the installation is as it was")
                        .arg(restored, database, why));
    }
    if (existed)
        QFile::remove(previous);
}

void DORQServer::importaEnServidor(const QString& database, const QString& sourceFile,
                                   const Progress& progress) {
    if (!nonEmptyFile(sourceFile))
        throw Error(QStringLiteral("%1: not a backup file").arg(sourceFile));
    // The server cannot rename its files: the installation as it is comes here first, and goes
    // back if the restore fails.
    QTemporaryFile safety(QDir::tempPath() + QLatin1String("/kestrum-safety-XXXXXX.kdt"));
    if (!safety.open())
        throw Error(QStringLiteral("%1: %2").arg(safety.fileTemplate(), safety.errorString()));
    safety.close();
    const bool existed = Db::databaseExists(database);
    if (existed) {
        // A restore replaces the database only when nobody is attached: say so before anything.
        if (const int others = otherAttachments(database); others > 0)
            throw Error(
                QStringLiteral("%1 is open in %2 other connection(s), other consoles perhaps: close the "
                               "installation there first")
                    .arg(database)
                    .arg(others));
        backupFromServer(database, safety.fileName(), {});
    }
    try {
        restoreOnServer(sourceFile, database, progress);
        checkRestored(database);
    } catch (const Error& e) {
        if (!existed)
            throw;
        try {
            restoreOnServer(safety.fileName(), database, {});
        } catch (const Error& back) {
            safety.setAutoRemove(false);
            throw Error(QStringLiteral("%1; nor could the installation be put back: %2. Its backup is %3")
                            .arg(e.message(), back.message(), safety.fileName()));
        }
        throw Error(QStringLiteral("%1; the installation is as it was").arg(e.message()));
    }
}

QString DORQServer::hashPassword(const QString& password) {
    QByteArray salt(16, '\0');
    QRandomGenerator::system()->generate(salt.begin(), salt.end());
    return HASH_PREFIX + QStringLiteral("%1$%2$%3")
                             .arg(PBKDF2_ITERATIONS)
                             .arg(QString::fromLatin1(salt.toHex()),
                                  QString::fromLatin1(derive(password, salt, PBKDF2_ITERATIONS).toHex()));
}

bool DORQServer::isHashed(const QString& stored) {
    return stored.startsWith(HASH_PREFIX);
}

bool DORQServer::passwordMatches(const QString& stored, const QString& password) {
    if (!isHashed(stored))
        return stored == password;
    const QStringList parts = stored.mid(HASH_PREFIX.size()).split(QLatin1Char('$'));
    if (parts.size() != 3)
        return false;
    const int iterations = parts[0].toInt();
    if (iterations <= 0)
        return false;
    const QByteArray salt = QByteArray::fromHex(parts[1].toLatin1());
    const QByteArray expected = QByteArray::fromHex(parts[2].toLatin1());
    const QByteArray actual = derive(password, salt, iterations);
    // Compared in full whatever the first difference, so the time says nothing about the hash.
    if (actual.size() != expected.size())
        return false;
    char diff = 0;
    for (qsizetype i = 0; i < actual.size(); ++i)
        diff |= static_cast<char>(actual[i] ^ expected[i]);
    return diff == 0;
}

bool DORQServer::Valida_Login(const QString& login, const QString& password) {
    Query q(db());
    q.prepare(
         QStringLiteral("SELECT COD,LOGIN,\"PASSWORD\",ROL from usuario WHERE LOGIN=:login ORDER BY COD"))
        .bind(QStringLiteral("login"), login)
        .exec();
    while (q.next()) {
        const QString stored = q.text(2);
        if (!passwordMatches(stored, password))
            continue;
        loginCode_ = q.integer(0);
        loginName_ = q.text(1);
        rol_ = q.text(3);
        q.close();
        // A password still stored in clear text is replaced by its hash at its first good login.
        if (!isHashed(stored)) {
            Db::exec(db(), QStringLiteral("UPDATE usuario SET \"PASSWORD\"=:hash WHERE COD=:cod"),
                     {{QStringLiteral("hash"), hashPassword(password)}, {QStringLiteral("cod"), loginCode_}});
        }
        return true;
    }
    return false;
}

QStringList DORQServer::Lista_Logins() {
    Query q(db());
    q.prepare(QStringLiteral("SELECT *  from usuario")).exec();
    QStringList out;
    while (q.next())
        out << q.text(1) + QLatin1Char('*') + q.text(3);
    return out;
}

bool DORQServer::Es_Admin(const QString& login) {
    Query q(db());
    q.prepare(QStringLiteral("SELECT *  from usuario where login=:login"))
        .bind(QStringLiteral("login"), login)
        .exec();
    while (q.next()) {
        if (q.text(3) == QLatin1String("ADMIN"))
            return true;
    }
    return false;
}

bool DORQServer::Unico_Admin() {
    return Db::scalar(db(), QStringLiteral("Select count(*) from usuario where ROL='ADMIN'")).toInt() == 1;
}

bool DORQServer::Existe_Login(const QString& login) {
    return Db::scalar(db(), QStringLiteral("Select count(*) from usuario where login=:login"),
                      {{QStringLiteral("login"), login.toLower()}})
               .toInt() == 1;
}

void DORQServer::Crea_Login(const QString& login, const QString& password, const QString& rol) {
    if (Existe_Login(login))
        return;
    Db::exec(db(),
             QStringLiteral("INSERT INTO usuario(COD,LOGIN,\"PASSWORD\",ROL) "
                            "VALUES(gen_id(GEN_USUARIO_ID, 1),:login,:password,:rol)"),
             {{QStringLiteral("login"), login},
              {QStringLiteral("password"), hashPassword(password)},
              {QStringLiteral("rol"), rol}});
}

void DORQServer::Borra_Login(const QString& login) {
    Db::exec(db(), QStringLiteral("DELETE from usuario where login=:login"),
             {{QStringLiteral("login"), login.toLower()}});
}

bool DORQServer::Cambia_Password(const QString& login, const QString& password) {
    const QVariantMap key{{QStringLiteral("login"), login.toLower()}};
    if (Db::scalar(db(), QStringLiteral("SELECT COUNT(*) FROM usuario WHERE LOGIN=:login"), key).toInt() == 0)
        return false;
    QVariantMap values = key;
    values.insert(QStringLiteral("hash"), hashPassword(password));
    Db::exec(db(), QStringLiteral("UPDATE usuario SET \"PASSWORD\"=:hash WHERE LOGIN=:login"), values);
    return true;
}

} // namespace kestrum::store
