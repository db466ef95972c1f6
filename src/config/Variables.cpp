#include "Variables.h"

#include "dataroot.h"
#include "inifile.h"
#include "kerror.h"

namespace kestrum::config {

namespace {

const QString General = QStringLiteral("General");

QString notAnInteger(const QString& text) {
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

// Each call takes the file as it is now: the camera window and the start-up read it directly.
IniFile readFile() {
    return IniFile(Variables::fileName());
}

} // namespace

Variables& Variables::instance() {
    static Variables v;
    return v;
}

void Variables::reset() {
    instance() = Variables();
}

QString Variables::fileName() {
    return DataRoot::file(QStringLiteral("KESTRUM20.INI"));
}

QStringList Variables::Lee_Configuracion() {
    QStringList errors;
    badValues_.clear();
    IniFile ini;
    try {
        ini = readFile();
    } catch (const Error& e) {
        errors << e.message();
    }

    language = ini.value(General, QStringLiteral("Idioma"), QStringLiteral("\u00BF?"));
    const QString test = ini.value(General, QStringLiteral("Testear_cx"), QStringLiteral("true"));
    const QString release = ini.value(General, QStringLiteral("Liberar_tarj"), QStringLiteral("true"));
    const QString cleanup = ini.value(General, QStringLiteral("El_inc"), QStringLiteral("0"));
    lastInstallation = ini.value(General, QStringLiteral("LAST_INSTALLATION"), QStringLiteral("0"));
    desktopReader = ini.value(General, QStringLiteral("USA_LECTOR"));

    testControllers = test.toLower() == QLatin1String("true");
    releaseExpiredCards = release.toLower() == QLatin1String("true");
    retryPending =
        ini.value(General, QStringLiteral("Reenviar_pendientes"), QStringLiteral("true")).toLower() !=
        QLatin1String("false");

    eventCleanup = 0;
    if (!cleanup.isEmpty()) {
        const QChar first = cleanup.front();
        if (first >= QLatin1Char('0') && first <= QLatin1Char('9'))
            eventCleanup = first.unicode() - '0';
        else {
            errors << notAnInteger(first);
            badValues_.append({QStringLiteral("El_inc"), cleanup});
        }
    }

    if (!desktopReader.isEmpty()) {
        bool ok = false;
        const int number = desktopReader.toInt(&ok, 10);
        if (ok) {
            desktopReaderInUse = true;
            desktopReaderNumber = number;
        } else {
            errors << notAnInteger(desktopReader);
            badValues_.append({QStringLiteral("USA_LECTOR"), desktopReader});
            desktopReader.clear();
        }
    }

    serial_.clear();
    const QString serial = QStringLiteral("Serial");
    for (const QString& key : ini.keys(serial)) {
        if (!key.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
            continue;
        bool ok = false;
        const int port = key.mid(3).toInt(&ok, 10);
        if (ok)
            serial_.insert(port, ini.value(serial, key));
    }

    const QString database = QStringLiteral("Database");
    const DatabaseSettings defaults;
    db_.host = ini.value(database, QStringLiteral("Host")).trimmed();
    db_.user = ini.value(database, QStringLiteral("User"), defaults.user);
    db_.password = ini.value(database, QStringLiteral("Password"), defaults.password);
    db_.folder = ini.value(database, QStringLiteral("Folder"), defaults.folder);
    const QString port = ini.value(database, QStringLiteral("Port"), QString::number(defaults.port));
    bool ok = false;
    const int n = port.trimmed().toInt(&ok);
    db_.port = ok && n > 0 && n < 65536 ? n : defaults.port;
    if (!ok || n <= 0 || n >= 65536) {
        badValues_.append({QStringLiteral("Port"), port});
        errors << QStringLiteral("%1: [%2] Port=%3").arg(fileName(), database, port);
    }
    return errors;
}

void Variables::Graba_Configuracion() const {
    IniFile ini = readFile();
    const auto boolText = [](bool b) { return b ? QStringLiteral("true") : QStringLiteral("false"); };
    ini.setValue(General, QStringLiteral("Testear_cx"), boolText(testControllers));
    ini.setValue(General, QStringLiteral("Liberar_tarj"), boolText(releaseExpiredCards));
    ini.setValue(General, QStringLiteral("El_inc"), QString::number(eventCleanup));
    ini.setValue(General, QStringLiteral("Idioma"), language);
    ini.setValue(General, QStringLiteral("LAST_INSTALLATION"), lastInstallation);
    ini.setValue(General, QStringLiteral("USA_LECTOR"), desktopReader);
    // This console's own switch, after the keys other versions know.
    ini.setValue(General, QStringLiteral("Reenviar_pendientes"), boolText(retryPending));
    ini.save(fileName());
}

QString Variables::serialDevice(int port) const {
    return serial_.value(port);
}

void Variables::setSerialDevice(int port, const QString& device) {
    if (device.trimmed().isEmpty())
        serial_.remove(port);
    else
        serial_.insert(port, device.trimmed());
}

// The whole section at once: a mapping removed here leaves the file too.
void Variables::Graba_Serie() const {
    IniFile ini = readFile();
    const QString serial = QStringLiteral("Serial");
    ini.removeSection(serial);
    for (auto it = serial_.cbegin(); it != serial_.cend(); ++it)
        ini.setValue(serial, QStringLiteral("COM%1").arg(it.key()), it.value());
    ini.save(fileName());
}

void Variables::Graba_Database() const {
    IniFile ini = readFile();
    const QString database = QStringLiteral("Database");
    ini.setValue(database, QStringLiteral("Host"), db_.host);
    ini.setValue(database, QStringLiteral("Port"), QString::number(db_.port));
    ini.setValue(database, QStringLiteral("User"), db_.user);
    ini.setValue(database, QStringLiteral("Password"), db_.password);
    ini.setValue(database, QStringLiteral("Folder"), db_.folder);
    ini.save(fileName());
}

QString Variables::lastInstallationInFile() {
    return readFile().value(QStringLiteral("GENERAL"), QStringLiteral("LAST_INSTALLATION"),
                            QStringLiteral("0"));
}

std::optional<CameraEntry> Variables::Lee_Camara(const QString& section) {
    const IniFile ini = readFile();
    if (!ini.hasSection(section))
        return std::nullopt;
    return CameraEntry{ini.value(section, QStringLiteral("camara_desc")),
                       ini.value(section, QStringLiteral("camara_MAC"))};
}

void Variables::Graba_Camara(const QString& section, const QString& description, const QString& address) {
    IniFile ini = readFile();
    if (ini.hasSection(section))
        return;
    ini.setValue(section, QStringLiteral("camara_desc"), description);
    ini.setValue(section, QStringLiteral("camara_MAC"), address);
    ini.save(fileName());
}

void Variables::Borra_Camara(const QString& section) {
    IniFile ini = readFile();
    if (ini.removeSection(section))
        ini.save(fileName());
}

} // namespace kestrum::config
