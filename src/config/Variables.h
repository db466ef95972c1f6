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
    QString databaseHost() const { return dbHost_; }
    QString databaseUser() const { return dbUser_; }
    QString databasePassword() const { return dbPassword_; }
    bool embeddedDatabase() const { return dbHost_.isEmpty(); }

    // LAST_INSTALLATION of section "GENERAL" as the file holds it now ("0" when missing).
    static QString lastInstallationInFile();

    // Camera sections "1" to "4", read and written straight in the file.
    static std::optional<CameraEntry> Lee_Camara(const QString& section);
    static void Graba_Camara(const QString& section, const QString& description, const QString& address);
    static void Borra_Camara(const QString& section);

private:
    QMap<int, QString> serial_;
    QList<QPair<QString, QString>> badValues_;
    QString dbHost_;
    QString dbUser_ = QStringLiteral("SYSDBA");
    QString dbPassword_ = QStringLiteral("masterkey");
};

} // namespace kestrum::config
