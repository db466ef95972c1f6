// The catalogue and installation databases: their tables, generators and keys, and the factory
// templates that a first run provisions.
#pragma once

#include "Variables.h"
#include "dbconnection.h"

#include <QString>

namespace kestrum::store {

namespace schema {

inline constexpr const char* CATALOGUE_FILE = "KESTRUM.FDB";
inline constexpr const char* TEMPLATE_FILE = "INSTALACION_B.FDB";
inline constexpr const char* TEMPLATE_FOLDER = "BK20";
inline constexpr const char* FIRST_INSTALLATION_NAME = "Instalación 1";
inline constexpr const char* ADMIN_LOGIN = "admin";
inline constexpr const char* ADMIN_PASSWORD = "admin";

QString installationFile(int code); // "INSTALACION_<code>.FDB"

// Connections from now on go where `settings` say: a server, or the embedded engine.
void useSettings(const config::DatabaseSettings& settings);
DbServer serverOf(const config::DatabaseSettings& settings);

// Where the catalogue and the installations are: the data root's database folder with the
// embedded engine, the configured folder on the server otherwise.
QString databaseFolder();
QString cataloguePath();
QString installationPath(int code);

// With a server: when its folder has no catalogue, makes one there listing one installation with
// one administrator login, and that installation's database.
void provisionServer();

// Creates the file at `path` with every table of its kind.
void createCatalogue(const QString& path);
void createInstallation(const QString& path);
// What an installation made by an earlier version lacks (indexes) is added; never raises for that.
void upgradeInstallation(const QSqlDatabase& db);

// Makes sure `folder` holds the factory templates: a catalogue listing one installation with one
// administrator login, that installation's database, and the empty installation template. Files
// that exist are left alone.
void provisionTemplates(const QString& folder);

} // namespace schema

} // namespace kestrum::store

namespace kestrum::store {

// Provisions the database folder `bdks`: makes the factory templates in its "BK20" folder when they
// are missing and, when the folder has no catalogue, copies every template database into it. The
// installation files found there then are moved into a dated folder first: nothing is deleted.
void Prepara_Ficheros_BD(const QString& bdks);

} // namespace kestrum::store
