// The cards and holders of an installation to and from spreadsheet rows. An import is one
// transaction: every row or none is written, and the stores reload once at the end.
#pragma once

#include "hojas.h"

#include <QList>
#include <functional>
#include <vector>

namespace kestrum::store {

class DORQSistema;

// The sheet's header: the language's captions of the card code, first name and surname.
QStringList cabeceraHoja();

// The export's rows, in the cards store's order: code, and the holder's names (empty without one).
std::vector<FilaHoja> filasExportacion(const DORQSistema& sistema);

// A code as imported: trimmed and left-padded with "0" to ten characters; valid when that gives one
// to ten digits.
QString codigoImportado(const QString& codigo);
bool codigoValido(const QString& codigo);

struct ResultadoImportacion {
    int anyadidas = 0;  // cards written
    int existentes = 0; // skipped: the code was there already
    int invalidas = 0;  // skipped: not a card code
    int titulares = 0;  // holders created
};

// Writes the rows' new cards with their holders (an existing holder with exactly the same names is
// reused, empty names included) and one pending assignment per controller in `controladores`.
// With `reemplaza`, every holder, card and assignment goes first (the readers are not touched).
// `progreso` sees each row before it is written. A failure rolls everything back and raises
// kestrum::Error naming the row (its number in the sheet) and the reason.
ResultadoImportacion importaFilas(DORQSistema& sistema, const std::vector<FilaHoja>& filas,
                                  const QList<int>& controladores, bool reemplaza,
                                  const std::function<void(int indice, const FilaHoja& fila)>& progreso = {});

} // namespace kestrum::store
