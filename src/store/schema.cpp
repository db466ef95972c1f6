#include "schema.h"

#include "dataroot.h"
#include "dbconnection.h"
#include "limites.h"
#include "udorqserver.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

namespace kestrum::store::schema {

namespace {

const char* const USER_TIME_INDEX =
    "CREATE INDEX DORQINCIDENCIA_USR_TS ON DORQINCIDENCIA (USR, \"TIMESTAMP\")";
// How far the log holds each console's event journal (its identity, the last entry recorded).
const char* const JOURNAL_TABLE =
    "CREATE TABLE DORQDIARIO (CONSOLA VARCHAR(40) NOT NULL PRIMARY KEY, SECUENCIA BIGINT NOT NULL)";

QString varchar(int length) {
    return QStringLiteral("VARCHAR(%1)").arg(length);
}

// Column order matters where inserts name no columns and where rows are read by position.
QStringList catalogue() {
    using namespace limites;
    QStringList campos;
    for (int n = 1; n <= 13; ++n)
        campos << QStringLiteral("CAMPO_%1 %2").arg(n).arg(varchar(langrep::CAMPO));
    return {
        QStringLiteral("CREATE TABLE INSTALACION (COD INTEGER NOT NULL PRIMARY KEY, NOMBRE %1)")
            .arg(varchar(instalacion::NOMBRE)),
        QStringLiteral(
            "CREATE TABLE USUARIO (COD INTEGER NOT NULL PRIMARY KEY, LOGIN %1, \"PASSWORD\" %2, ROL %3)")
            .arg(varchar(usuario::LOGIN), varchar(usuario::PASSWORD), varchar(usuario::ROL)),
        QStringLiteral("CREATE INDEX USUARIO_LOGIN ON USUARIO (LOGIN)"),
        QStringLiteral("CREATE TABLE LANGREP (IDIOMA %1, %2)")
            .arg(varchar(langrep::IDIOMA), campos.join(QStringLiteral(", "))),
        QStringLiteral("CREATE GENERATOR INSTALACION_ID"),
        QStringLiteral("CREATE GENERATOR GEN_USUARIO_ID"),
    };
}

QStringList installation() {
    using namespace limites;
    const QString marca = varchar(MARCA);
    return {
        QStringLiteral(
            "CREATE TABLE DORQCONTROLADOR (COD INTEGER NOT NULL PRIMARY KEY, PUERTO_SERIE INTEGER, "
            "TIEMPO_PTA_ABIERTA INTEGER DEFAULT 0 NOT NULL, TIPO %1, DESCRIPCION %2)")
            .arg(varchar(dorqcontrolador::TIPO), varchar(dorqcontrolador::DESCRIPCION)),
        QStringLiteral(
            "CREATE TABLE DORQTARJETA (CODIGO_TARJETA %1 NOT NULL PRIMARY KEY, BLOQUEADO %2, "
            "FECHA_ALTA TIMESTAMP, FECHA_CADUCIDAD TIMESTAMP, USUARIO INTEGER DEFAULT -1 NOT NULL, "
            "USAR_FECHA_CAD %2)")
            .arg(varchar(dorqtarjeta::CODIGO_TARJETA), marca),
        QStringLiteral("CREATE INDEX DORQTARJETA_USUARIO ON DORQTARJETA (USUARIO)"),
        QStringLiteral(
            "CREATE TABLE DORQCONTROLADORTARJETA (TARJETA %1 NOT NULL, CONTROLADOR INTEGER NOT NULL, "
            "\"_STOREDINHW\" %2, PRIMARY KEY (TARJETA, CONTROLADOR))")
            .arg(varchar(dorqtarjeta::CODIGO_TARJETA), marca),
        QStringLiteral("CREATE INDEX DORQCONTROLADORTARJETA_CX ON DORQCONTROLADORTARJETA (CONTROLADOR)"),
        QStringLiteral("CREATE TABLE DORQUSUARIO (ID INTEGER NOT NULL PRIMARY KEY, NOMBRE %1, APELLIDOS %2, "
                       "PERMANENTE %3, FOTOGRAFIA %4)")
            .arg(varchar(dorqusuario::NOMBRE), varchar(dorqusuario::APELLIDOS), marca,
                 varchar(dorqusuario::FOTOGRAFIA)),
        QStringLiteral("CREATE TABLE DORQINCIDENCIA (COD INTEGER NOT NULL PRIMARY KEY, CONTROLADOR INTEGER, "
                       "HIST_CONTROLADOR %1, TARJETA %2, HIST_TARJETA %3, \"TIMESTAMP\" TIMESTAMP, "
                       "DESCRIPCION %4, EVENTO INTEGER, USR INTEGER)")
            .arg(varchar(dorqincidencia::HIST_CONTROLADOR), varchar(dorqincidencia::TARJETA),
                 varchar(dorqincidencia::HIST_TARJETA), varchar(dorqincidencia::DESCRIPCION)),
        QStringLiteral("CREATE INDEX DORQINCIDENCIA_TS ON DORQINCIDENCIA (\"TIMESTAMP\")"),
        QStringLiteral("CREATE INDEX DORQINCIDENCIA_USR ON DORQINCIDENCIA (USR)"),
        QString::fromLatin1(USER_TIME_INDEX),
        QString::fromLatin1(JOURNAL_TABLE),
        QStringLiteral("CREATE GENERATOR GEN_DORQUSUARIO_ID"),
        QStringLiteral("CREATE GENERATOR GEN_DORQINCIDENCIA_ID"),
    };
}

void create(const QString& path, const QStringList& statements) {
    Db::createDatabase(path);
    QSqlDatabase db = Db::connect(path);
    try {
        for (const QString& sql : statements)
            Db::exec(db, sql);
    } catch (...) {
        Db::disconnect(db);
        throw;
    }
    Db::disconnect(db);
}

} // namespace

QString installationFile(int code) {
    return QStringLiteral("INSTALACION_%1.FDB").arg(code);
}

DbServer serverOf(const config::DatabaseSettings& settings) {
    DbServer server;
    server.host = settings.host;
    server.user = settings.user;
    server.password = settings.password;
    server.port = settings.port;
    server.folder = settings.folder;
    return server;
}

void useSettings(const config::DatabaseSettings& settings) {
    Db::setServer(serverOf(settings));
}

QString databaseFolder() {
    const DbServer server = Db::server();
    return server.embedded() ? config::DataRoot::bdks() : server.folder;
}

namespace {
// Embedded, a file whose name differs only in case is the same file, as the folder's users expect.
QString pathIn(const QString& name) {
    const QString folder = databaseFolder();
    if (Db::server().embedded())
        return config::DataRoot::findFileNoCase(folder, name);
    return folder + QLatin1Char('/') + name;
}
} // namespace

QString cataloguePath() {
    return pathIn(QLatin1String(CATALOGUE_FILE));
}

QString installationPath(int code) {
    return pathIn(installationFile(code));
}

void provisionServer() {
    const QString catalogue = cataloguePath();
    if (Db::databaseExists(catalogue))
        return;
    qCInfo(lcStore).noquote() << "making the catalogue on the server:" << Db::target(catalogue);
    createCatalogue(catalogue);
    try {
        DORQServer server;
        server.Configura_Conexion(Db::server().host, catalogue, Db::server().password, Db::server().user);
        const int code = server.Registra_Instalacion(QString::fromUtf8(FIRST_INSTALLATION_NAME));
        server.Crea_Login(QString::fromLatin1(ADMIN_LOGIN), QString::fromLatin1(ADMIN_PASSWORD),
                          QStringLiteral("ADMIN"));
        server.Cierra();
        if (!Db::databaseExists(installationPath(code)))
            createInstallation(installationPath(code));
    } catch (...) {
        // A half-made catalogue would be taken for a good one at the next start.
        try {
            Db::dropDatabase(catalogue);
        } catch (const Error& e) {
            qCWarning(lcStore).noquote() << e.message();
        }
        throw;
    }
}

void createCatalogue(const QString& path) {
    create(path, catalogue());
}

void createInstallation(const QString& path) {
    create(path, installation());
}

void upgradeInstallation(const QSqlDatabase& db) {
    // One holder's events of a period, as attendance reads them.
    const bool missing = Db::scalar(db, QStringLiteral("SELECT COUNT(*) FROM RDB$INDICES WHERE "
                                                       "RDB$INDEX_NAME = 'DORQINCIDENCIA_USR_TS'"))
                             .toInt() == 0;
    const bool sinDiario = Db::scalar(db, QStringLiteral("SELECT COUNT(*) FROM RDB$RELATIONS WHERE "
                                                         "RDB$RELATION_NAME = 'DORQDIARIO'"))
                               .toInt() == 0;
    try {
        if (sinDiario) {
            Db::exec(db, QString::fromLatin1(JOURNAL_TABLE));
            qCInfo(lcStore) << "added the table of the event journals";
        }
        if (missing) {
            Db::exec(db, QString::fromLatin1(USER_TIME_INDEX));
            qCInfo(lcStore) << "added the index of events by holder and time";
        }
        // The engine never refreshes an index's selectivity by itself: figures from an empty log make
        // it walk the whole log by time for one holder's month.
        for (const char* index : {"DORQINCIDENCIA_USR_TS", "DORQINCIDENCIA_TS", "DORQINCIDENCIA_USR"})
            Db::exec(db, QStringLiteral("SET STATISTICS INDEX %1").arg(QLatin1String(index)));
    } catch (const DbError& e) {
        // Another console using the installation may hold it: the next opening tries again.
        qCWarning(lcStore).noquote() << "indexes of the event log not brought up to date:" << e.message();
    }
}

void provisionTemplates(const QString& folder) {
    QDir().mkpath(folder);
    const QString templateFile = folder + QLatin1Char('/') + QLatin1String(TEMPLATE_FILE);
    if (!QFile::exists(templateFile))
        createInstallation(templateFile);
    const QString catalogue = folder + QLatin1Char('/') + QLatin1String(CATALOGUE_FILE);
    if (QFile::exists(catalogue))
        return;
    // Built under a temporary name so that a half-made catalogue is never taken for a good one.
    const QString partial = catalogue + QLatin1String(".part");
    QFile::remove(partial);
    createCatalogue(partial);
    {
        DORQServer server;
        server.Configura_Conexion(QString(), partial, QString(), QString());
        const int code = server.Registra_Instalacion(QString::fromUtf8(FIRST_INSTALLATION_NAME));
        server.Crea_Login(QString::fromLatin1(ADMIN_LOGIN), QString::fromLatin1(ADMIN_PASSWORD),
                          QStringLiteral("ADMIN"));
        server.Cierra();
        const QString first = folder + QLatin1Char('/') + installationFile(code);
        if (!QFile::exists(first) && !QFile::copy(templateFile, first))
            throw Error(QStringLiteral("cannot copy %1 to %2").arg(templateFile, first));
    }
    if (!QFile::rename(partial, catalogue))
        throw Error(QStringLiteral("cannot rename %1 to %2").arg(partial, catalogue));
}

} // namespace kestrum::store::schema

namespace kestrum::store {

void Prepara_Ficheros_BD(const QString& bdks) {
    const QDir folder(bdks);
    QDir().mkpath(bdks);
    const QString templates = folder.filePath(QLatin1String(schema::TEMPLATE_FOLDER));
    schema::provisionTemplates(templates);
    if (QFileInfo::exists(config::DataRoot::findFileNoCase(bdks, QLatin1String(schema::CATALOGUE_FILE))))
        return;

    const QStringList existing =
        folder.entryList(QDir::Files | QDir::Hidden)
            .filter(QRegularExpression(QStringLiteral("\\.fdb$"), QRegularExpression::CaseInsensitiveOption));
    if (!existing.isEmpty()) {
        const QString aside = folder.filePath(
            QStringLiteral("sin_catalogo_%1")
                .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"))));
        QDir().mkpath(aside);
        for (const QString& name : existing) {
            if (!QFile::rename(folder.filePath(name), aside + QLatin1Char('/') + name))
                throw Error(QStringLiteral("cannot move %1 into %2").arg(folder.filePath(name), aside));
        }
        qCWarning(lcStore) << "no catalogue: the installation files were moved to" << aside;
    }
    const QDir source(templates);
    const QStringList files =
        source.entryList(QDir::Files)
            .filter(QRegularExpression(QStringLiteral("\\.fdb$"), QRegularExpression::CaseInsensitiveOption));
    for (const QString& name : files) {
        QFile from(source.filePath(name));
        if (!from.copy(folder.filePath(name)))
            throw Error(
                QStringLiteral("cannot copy %1 into %2: %3").arg(from.fileName(), bdks, from.errorString()));
    }
}

} // namespace kestrum::store
