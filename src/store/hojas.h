// Spreadsheet files of cards and holders without a spreadsheet program: .xlsx written with
// libxlsxwriter and read from its zip and XML, legacy .xls read with libfreexl, and .csv both
// ways. The file name's extension picks the format.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace kestrum::store {

// One sheet row: column A the card code, B the holder's first name, C the surname.
struct FilaHoja {
    QString codigo;
    QString nombre;
    QString apellidos;
    bool operator==(const FilaHoja&) const = default;
};

enum class FormatoHoja { Xlsx, Xls, Csv, Desconocido };
FormatoHoja formatoDe(const QString& fichero);

// The header row, then one row per entry. Codes are written as text so leading zeros stay. Raises
// kestrum::Error with the reason (an unknown or read-only format, a file that cannot be written);
// the file is replaced only once complete.
void escribeHoja(const QString& fichero, const QStringList& cabecera, const std::vector<FilaHoja>& filas);

// Columns A to C of the workbook's active sheet from its first row, as text: a number reads without
// a fractional part when it has none (12345 and 12345.0 both read "12345"). Raises kestrum::Error
// with the reason.
std::vector<FilaHoja> leeHoja(const QString& fichero);

// The rows to import: from the second row up to the first whose code is empty.
std::vector<FilaHoja> filasAImportar(const std::vector<FilaHoja>& hoja);

} // namespace kestrum::store
