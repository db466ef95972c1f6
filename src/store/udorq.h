// Small helpers shared by the stores and the windows.
#pragma once

#include <QString>
#include <QStringList>

namespace kestrum::store {

// Cuts `text` at each occurrence of `separator`: the piece before it is taken and the text is then
// shortened by that piece plus the separator's first character only; the rest is the last piece.
// "12.- Oficina" with ".-" gives "12" and "- Oficina".
QStringList Divide_Texto(const QString& text, const QString& separator);

} // namespace kestrum::store
