// The settings file KESTRUM20.INI in the data root and the program-wide values loaded from it.
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

namespace kestrum::config {

struct CameraEntry {
    QString description; // camara_desc
    QString address;     // camara_MAC: the camera's video address
};

// Where the databases are when a Firebird server holds them.
struct DatabaseSettings {
    QString host; // empty: the embedded engine
    int port = 3050;
    QString user = QStringLiteral("SYSDBA");
    QString password = QStringLiteral("masterkey");
    // On the server: the folder of the catalogue and the installations.
    QString folder = QStringLiteral("/var/lib/firebird/3.0/data/kestrum");
    bool operator==(const DatabaseSettings&) const = default;
};

class Variables {
public:
    static Variables& instance();
    // Back to the values before loading (tests).
    static void reset();
    static QString fileName();

    // Program-wide values, section "General".
    QString language; // Idioma
    bool testControllers = true;
    bool releaseExpiredCards = true;
    // The periodic test sends the pending cards of the readers that answer (key Reenviar_pendientes).
    bool retryPending = true;
    int eventCleanup = 0; // El_inc
    QString lastInstallation;
    QString desktopReader; // USA_LECTOR: a controller number, or empty
    bool desktopReaderInUse = false;
    int desktopReaderNumber = 0;

    // Loads section "General" and the sections Serial and Database. Never raises: a value that does
    // not convert, or a file that cannot be read, leaves the default in use and adds its error text
    // to the result, for the console to show.
    QStringList Lee_Configuracion();
    // The keys whose values the last Lee_Configuracion could not convert, each with its value.
    const QList<QPair<QString, QString>>& badValues() const { return badValues_; }
    // Writes every key of section "General"; raises kestrum::Error when the file cannot be written.
    void Graba_Configuracion() const;

    // Section Serial: COM<n>=device. Empty when port n is not mapped.
    QString serialDevice(int port) const;
    QMap<int, QString> serialDevices() const { return serial_; }
    // An empty device removes the mapping; Graba_Serie writes the section.
    void setSerialDevice(int port, const QString& device);
    void Graba_Serie() const;
    // Section Database: an empty host means the embedded engine.
    QString databaseHost() const { return db_.host; }
    QString databaseUser() const { return db_.user; }
    QString databasePassword() const { return db_.password; }
    bool embeddedDatabase() const { return db_.host.isEmpty(); }
    const DatabaseSettings& database() const { return db_; }
    void setDatabase(const DatabaseSettings& settings) { db_ = settings; }
    // Writes the whole section; raises kestrum::Error when the file cannot be written.
    void Graba_Database() const;

    // LAST_INSTALLATION of section "GENERAL" as the file holds it now ("0" when missing).
    static QString lastInstallationInFile();

    // Camera sections "1" to "4", read and written straight in the file.
    static std::optional<CameraEntry> Lee_Camara(const QString& section);
    static void Graba_Camara(const QString& section, const QString& description, const QString& address);
    static void Borra_Camara(const QString& section);

private:
    QMap<int, QString> serial_;
    QList<QPair<QString, QString>> badValues_;
    DatabaseSettings db_;
};

} // namespace kestrum::config
