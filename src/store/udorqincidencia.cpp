#include "udorqincidencia.h"

#include <QLocale>
#include <QRegularExpression>

namespace kestrum::store {

QString Fecha_Hora_Texto(const QDateTime& t) {
    const QLocale locale;
    // Qt's long time carries the time zone, which the system's long time does not.
    static const QRegularExpression zone(QStringLiteral("\\s*\\(?\\bt\\b\\)?"));
    const QString time = locale.timeFormat(QLocale::LongFormat).remove(zone).trimmed();
    return locale.toString(t.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(t.time(), time);
}

} // namespace kestrum::store
