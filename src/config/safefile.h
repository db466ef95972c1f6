// Whole-file writes that either land complete or leave the previous file as it was.
#pragma once

#include <QByteArray>
#include <QString>

namespace kestrum::config {

// Writes `bytes` to a temporary file beside `path`, flushes it to disk and renames it over `path`.
// Raises kestrum::Error ("path: reason") on any failure; the previous file is then untouched.
void writeFileSafely(const QString& path, const QByteArray& bytes);

// Copies `from` to `to` the same way.
void copyFileSafely(const QString& from, const QString& to);

} // namespace kestrum::config
