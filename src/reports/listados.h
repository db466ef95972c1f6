// The four lists of an installation that the reports tab and the command line print: their
// queries and definition files, the caption table LANGREP of the catalogue, and the dataset read
// from a query.
#pragma once

#include "informe.h"

#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <optional>

class QSqlQuery;

namespace kestrum::store {
class DORQServer;
}

namespace kestrum::reports {

struct Listado {
    int nodo;           // node of the reports tree
    const char* nombre; // on the command line
    const char* consulta;
    const char* definicion; // "Data/<definicion>.frf"
};

// In tree order: users, cards, controllers, cards per user.
const QList<Listado>& listados();
const Listado* listadoDeNodo(int nodo);
const Listado* listadoDeNombre(const QString& nombre);

// Rewrites LANGREP with the language's F_Main_CAMPO_1..13 texts; there is no key for number 6,
// which takes F_Main_CAMPO_4's text.
void Graba_Textos_Informes(const QSqlDatabase& catalogo, const QString& idioma);
// The language of the captions: LANGREP's (the console's at its last start), else the settings'
// when the language file has it, else the file's first.
QString idiomaInformes(const QSqlDatabase& catalogo);
// "campo_1".."campo_13" from LANGREP; from the language file when the table has no row. Also
// "pagina_de" ("Page %1 of %2") in the language in use.
QHash<QString, QString> Lee_Textos_Informes(const QSqlDatabase& catalogo);

// The name of installation `codigo` in the catalogue; empty when it has none.
QString nombreInstalacion(store::DORQServer& servidor, const QString& codigo);

// Every row of an executed query, with its column names.
Datos leeDatos(QSqlQuery& query);
Datos consulta(const QSqlDatabase& db, const QString& sql);

// The list run on `instalacion` and laid out, or nothing when its definition file is missing.
// `variables` usually hold "instalacion"; "listado" (the tree's text for it) is added.
std::optional<Informe> preparaListado(const Listado& listado, const QSqlDatabase& instalacion,
                                      const QHash<QString, QString>& textos,
                                      QHash<QString, QString> variables = {});

} // namespace kestrum::reports
