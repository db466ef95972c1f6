#include "udorq.h"

namespace kestrum::store {

QStringList Divide_Texto(const QString& text, const QString& separator) {
    QStringList pieces;
    if (separator.isEmpty())
        return {text};
    QString rest = text;
    for (qsizetype at = rest.indexOf(separator); at >= 0; at = rest.indexOf(separator)) {
        pieces << rest.left(at);
        rest = rest.mid(at + 1);
    }
    pieces << rest;
    return pieces;
}

} // namespace kestrum::store
