// DORQServer: the catalogue (installations and the console's logins) and the backup and restore
// of an installation database.
#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <functional>
#include <system_error>

namespace kestrum::store {

class DORQServer {
public:
    // Receives each verbose line of a backup or restore, for a progress display.
    using Progress = std::function<void(const QString& line)>;

    DORQServer() = default;
    ~DORQServer();
    DORQServer(const DORQServer&) = delete;
    DORQServer& operator=(const DORQServer&) = delete;

    // Keeps the parameters; the connection opens at the first statement.
    void Configura_Conexion(const QString& host, const QString& database, const QString& password,
                            const QString& user);
    void Cierra();

    QStringList Lista_Instalaciones();
    // Adds the installation and gives it a copy of the template; returns its code.
    int Crea_Instalacion(const QString& nombre);
    // Only the catalogue row: the new code.
    int Registra_Instalacion(const QString& nombre);
    // Only the catalogue row.
    void Borra_Instalacion(const QString& baseName);
    // The row and the database: embedded its file is removed, on a server the database is dropped
    // (refused while another console has it open, and then nothing changes).
    void Elimina_Instalacion(int code);
    bool Existe_Instalacion(const QString& code);

    // gbak-compatible backup into `targetFile` and restore from `sourceFile`, through the engine's
    // services; each raises Error with the engine's or the system's reason. A backup is written
    // beside `targetFile` and replaces it only once complete. A restore lands in a temporary file
    // that replaces the installation only on success; an installation this process has open is
    // refused. With a server, the files are on this machine and travel through the connection; a
    // restore that fails there puts the installation back from a backup taken just before.
    void Exporta_Instalacion(const QString& baseName, const QString& targetFile, const QString& folder,
                             const Progress& progress = {});
    void Importa_Instalacion(const QString& baseName, const QString& sourceFile, const QString& folder,
                             const Progress& progress = {});

    bool Valida_Login(const QString& login, const QString& password);
    QStringList Lista_Logins();
    bool Es_Admin(const QString& login);
    bool Unico_Admin();
    bool Existe_Login(const QString& login);
    void Crea_Login(const QString& login, const QString& password, const QString& rol);
    void Borra_Login(const QString& login);
    // Gives the login (lower-cased, as logins are kept) a new password, stored hashed; false when
    // there is no such login.
    bool Cambia_Password(const QString& login, const QString& password);

    int codigoLogin() const { return loginCode_; }
    QString Rol() const { return rol_; }
    QString nombreLogin() const { return loginName_; }

    QString host() const { return host_; }
    QString database() const { return database_; }
    QString folder() const; // the folder of the catalogue: the database folder
    const QSqlDatabase& db();

    // Password storage: salted PBKDF2; a stored text without the scheme prefix is a plain password.
    static QString hashPassword(const QString& password);
    static bool passwordMatches(const QString& stored, const QString& password);
    static bool isHashed(const QString& stored);

private:
    void importaEnServidor(const QString& database, const QString& sourceFile, const Progress& progress);

    QString host_, database_, password_, user_;
    QSqlDatabase db_;
    int loginCode_ = 0;
    QString rol_;
    QString loginName_;
};

namespace detail {
// Test-only: called with the source and target of each file replacement of a backup or restore; an
// error it returns fails that step as the system would, leaving the files as they are.
using ReplaceHook = std::function<std::error_code(const QString& from, const QString& to)>;
void setReplaceHookForTests(ReplaceHook hook);
} // namespace detail

} // namespace kestrum::store
