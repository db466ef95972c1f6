#include "safefile.h"

#include "kerror.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace kestrum::config {

namespace {

[[noreturn]] void fail(const QString& path, const QString& reason) {
    throw Error(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), reason));
}

} // namespace

void writeFileSafely(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        fail(path, file.errorString());
    // commit() alone has been seen to report success after a write that ran out of space, leaving
    // an empty file in place of the old one: every step is checked before the rename.
    if (file.write(bytes) != bytes.size() || !file.flush() || file.error() != QFileDevice::NoError)
        fail(path, file.errorString());
    if (!file.commit())
        fail(path, file.errorString());
}

void copyFileSafely(const QString& from, const QString& to) {
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        fail(from, source.errorString());
    const QByteArray bytes = source.readAll();
    if (source.error() != QFileDevice::NoError)
        fail(from, source.errorString());
    writeFileSafely(to, bytes);
}

} // namespace kestrum::config
