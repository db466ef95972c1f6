// Where the console keeps its files: the writable data root (settings, language file, databases)
// and the read-only resources that ship beside the executable.
#pragma once

#include <QLoggingCategory>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcConfig)

namespace kestrum::config {

class DataRoot {
public:
    // $XDG_DATA_HOME/kestrum, resolved at the first call and created when missing; raises
    // kestrum::Error when it cannot be created.
    static QString path();
    // Resolves again at the next call; tests point XDG_DATA_HOME elsewhere first.
    static void reset();
    // Raises kestrum::Error naming the folder and the reason when the data root cannot be created,
    // cannot be written, or has less than `minFreeBytes` free: the database engine keeps its lock
    // files there and fails badly (a bus error) on a full file system.
    static void checkUsable(qint64 minFreeBytes = MIN_FREE_BYTES);
    static constexpr qint64 MIN_FREE_BYTES = 8 * 1024 * 1024;
    static QString file(const QString& name) { return path() + QLatin1Char('/') + name; }
    static QString bdks() { return path() + QStringLiteral("/BDKS"); }
    static QString resourceDir();
    // The existing file in `folder` whose name equals `name` without regard to case (the exact
    // spelling first), or folder/name when there is none.
    static QString findFileNoCase(const QString& folder, const QString& name);
};

} // namespace kestrum::config
