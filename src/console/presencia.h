// Attendance without windows: a holder's passages at entry and exit readers per day, the day's
// stay, and the list's text file. The main window shows what these compute.
#pragma once

#include <QDate>
#include <QString>
#include <vector>

namespace kestrum::store {
class DORQSistema;
}

namespace kestrum::ui {

inline constexpr const char* TIPO_ENTRADA = "ENTRADA";
inline constexpr const char* TIPO_SALIDA = "SALIDA";

struct FilaPresencia {
    QString dia;
    QString entradas;
    QString salidas;
    QString estancia;
    bool operator==(const FilaPresencia&) const = default;
};

// One holder's rows. Month mode: one row per day of `fecha`'s month. Day mode: one row captioned
// `tituloDia` for `fecha`, only when the log has an event of the holder that day. Passages at
// readers of no type make the day's row appear but show nowhere. Raises DbError.
std::vector<FilaPresencia> Obtener_Valores_Entrada_Salida(store::DORQSistema& sistema, int usuario,
                                                          const QDate& fecha, bool mes,
                                                          const QString& tituloDia);

// "h:m:s" without leading zeros.
QString textoEstancia(qint64 segundos);
// The seconds of an "h:m:s" text; -1 when it is not one (a correction typed by hand may be anything).
qint64 segundosEstancia(const QString& texto);
// The sum of the rows' stays that read as "h:m:s", as "h:m:s".
QString totalEstancia(const std::vector<FilaPresencia>& filas);

// The system's short date, and its long time without the zone.
QString fechaCorta(const QDate& fecha);
QString horaLarga(const QTime& hora);

// The text file: one "caption*entries*exits*stay" line per row. The name gets ".txt" appended
// whatever it ends with. Each raises kestrum::Error with the system's reason; a read that fails
// midway keeps the rows read so far in `filas`.
QString nombreFicheroPresencia(const QString& elegido);
void guardaPresencia(const QString& fichero, const std::vector<FilaPresencia>& filas);
void leePresencia(const QString& fichero, std::vector<FilaPresencia>& filas);
// A line of the file as a row: the pieces before the first three "*"; fewer leave the rest empty,
// the last piece found taking the rest of the line.
FilaPresencia filaDeLinea(const QString& linea);

} // namespace kestrum::ui
