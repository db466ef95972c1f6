#include "schema.h"

#include "dataroot.h"
#include "dbconnection.h"
#include "udorqserver.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

namespace kestrum::store::schema {

namespace {

// Column order matters where inserts name no columns and where rows are read by position.
const char* const CATALOGUE[] = {
    "CREATE TABLE INSTALACION (COD INTEGER NOT NULL PRIMARY KEY, NOMBRE VARCHAR(100))",
    "CREATE TABLE USUARIO (COD INTEGER NOT NULL PRIMARY KEY, LOGIN VARCHAR(30), \"PASSWORD\" VARCHAR(200), "
    "ROL VARCHAR(10))",
    "CREATE INDEX USUARIO_LOGIN ON USUARIO (LOGIN)",
    "CREATE TABLE LANGREP (IDIOMA VARCHAR(60), CAMPO_1 VARCHAR(200), CAMPO_2 VARCHAR(200), CAMPO_3 "
    "VARCHAR(200), "
    "CAMPO_4 VARCHAR(200), CAMPO_5 VARCHAR(200), CAMPO_6 VARCHAR(200), CAMPO_7 VARCHAR(200), CAMPO_8 "
    "VARCHAR(200), "
    "CAMPO_9 VARCHAR(200), CAMPO_10 VARCHAR(200), CAMPO_11 VARCHAR(200), CAMPO_12 VARCHAR(200), "
    "CAMPO_13 VARCHAR(200))",
    "CREATE GENERATOR INSTALACION_ID",
    "CREATE GENERATOR GEN_USUARIO_ID",
};

const char* const INSTALLATION[] = {
    "CREATE TABLE DORQCONTROLADOR (COD INTEGER NOT NULL PRIMARY KEY, PUERTO_SERIE INTEGER, "
    "TIEMPO_PTA_ABIERTA INTEGER DEFAULT 0 NOT NULL, TIPO VARCHAR(20), DESCRIPCION VARCHAR(200))",
    "CREATE TABLE DORQTARJETA (CODIGO_TARJETA VARCHAR(10) NOT NULL PRIMARY KEY, BLOQUEADO VARCHAR(1), "
    "FECHA_ALTA TIMESTAMP, FECHA_CADUCIDAD TIMESTAMP, USUARIO INTEGER DEFAULT -1 NOT NULL, "
    "USAR_FECHA_CAD VARCHAR(1))",
    "CREATE INDEX DORQTARJETA_USUARIO ON DORQTARJETA (USUARIO)",
    "CREATE TABLE DORQCONTROLADORTARJETA (TARJETA VARCHAR(10) NOT NULL, CONTROLADOR INTEGER NOT NULL, "
    "\"_STOREDINHW\" VARCHAR(1), PRIMARY KEY (TARJETA, CONTROLADOR))",
    "CREATE INDEX DORQCONTROLADORTARJETA_CX ON DORQCONTROLADORTARJETA (CONTROLADOR)",
    "CREATE TABLE DORQUSUARIO (ID INTEGER NOT NULL PRIMARY KEY, NOMBRE VARCHAR(100), APELLIDOS VARCHAR(150), "
    "PERMANENTE VARCHAR(1), FOTOGRAFIA VARCHAR(255))",
    "CREATE TABLE DORQINCIDENCIA (COD INTEGER NOT NULL PRIMARY KEY, CONTROLADOR INTEGER, "
    "HIST_CONTROLADOR VARCHAR(200), TARJETA VARCHAR(20), HIST_TARJETA VARCHAR(260), \"TIMESTAMP\" TIMESTAMP, "
    "DESCRIPCION VARCHAR(300), EVENTO INTEGER, USR INTEGER)",
    "CREATE INDEX DORQINCIDENCIA_TS ON DORQINCIDENCIA (\"TIMESTAMP\")",
    "CREATE INDEX DORQINCIDENCIA_USR ON DORQINCIDENCIA (USR)",
    "CREATE GENERATOR GEN_DORQUSUARIO_ID",
    "CREATE GENERATOR GEN_DORQINCIDENCIA_ID",
};

template <std::size_t N> void create(const QString& path, const char* const (&statements)[N]) {
    Db::createDatabase(path);
    QSqlDatabase db = Db::connect(path);
    try {
        for (const char* sql : statements)
            Db::exec(db, QString::fromLatin1(sql));
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

void createCatalogue(const QString& path) {
    create(path, CATALOGUE);
}

void createInstallation(const QString& path) {
    create(path, INSTALLATION);
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
