#include "dataroot.h"

#include "kerror.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcConfig, "kestrum.config", QtWarningMsg)

namespace kestrum::config {

namespace {
std::optional<QString>& resolved() {
    static std::optional<QString> root;
    return root;
}
} // namespace

QString DataRoot::path() {
    if (!resolved()) {
        const QString root = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                             QStringLiteral("/kestrum");
        // std::filesystem, because QDir::mkpath does not say why it failed.
        std::error_code ec;
        std::filesystem::create_directories(QFile::encodeName(root).toStdString(), ec);
        if (ec)
            throw Error(QStringLiteral("%1: %2").arg(root, QString::fromLocal8Bit(ec.message().c_str())));
        resolved() = root;
    }
    return *resolved();
}

void DataRoot::reset() {
    resolved().reset();
}

void DataRoot::checkUsable(qint64 minFreeBytes) {
    const QString root = path();
    if (::access(QFile::encodeName(root).constData(), W_OK) != 0)
        throw Error(QStringLiteral("%1: %2").arg(root, qt_error_string(errno)));
    const QStorageInfo storage(root);
    if (storage.isValid() && storage.bytesAvailable() >= 0 && storage.bytesAvailable() < minFreeBytes)
        throw Error(QStringLiteral("%1: only %2 KB free on its file system; the console needs %3 MB")
                        .arg(root)
                        .arg(storage.bytesAvailable() / 1024)
                        .arg(minFreeBytes / (1024 * 1024)));
}

QString DataRoot::resourceDir() {
    const QString exeDir = QFileInfo(QCoreApplication::applicationFilePath()).absolutePath();
    return QDir::cleanPath(exeDir + QStringLiteral("/../share/kestrum"));
}

QString DataRoot::findFileNoCase(const QString& folder, const QString& name) {
    const QString exact = folder + QLatin1Char('/') + name;
    if (QFileInfo(exact).isFile())
        return exact;
    const QStringList entries = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return folder + QLatin1Char('/') + entry;
    }
    return exact;
}

} // namespace kestrum::config
