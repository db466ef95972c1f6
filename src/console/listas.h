// The contents of the main window's lists: one table model for all of them, the rows each list is
// built from (plain functions of the stores, no widgets) and the search of the users and cards
// lists.
#pragma once

#include "iconos.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

namespace kestrum::link {
struct TTest_Informacion;
}

namespace kestrum::store {
class DORQColeccionControlador;
class DORQColeccionTarjeta;
class DORQColeccionUsuario;
} // namespace kestrum::store

namespace kestrum::ui {

// One row: column 0 is the caption, the others the sub-items in order.
struct Fila {
    QStringList celdas;
    Icono icono = Icono::Ninguno; // column 0
    QVariant clave;               // the entity's key: user id, card code, controller number, login
    QMap<int, Icono> iconos;      // pictures of other columns
    QMap<int, QString> ayudas;    // tooltips by column

    Icono iconoDe(int columna) const { return columna == 0 ? icono : iconos.value(columna, Icono::Ninguno); }
};

enum class Lista { INI, Usuarios, Tarjetas, Controladores, Estado, Logins };

// A list's columns as designed; the language texts replace the captions through setHeaderData.
struct DefinicionLista {
    QStringList cabeceras;
    QList<int> anchos; // pixels, -1 for the view's default; 0 hides the column
    QList<int> centradas;
    bool ordenTexto = false; // rows kept sorted by their caption compared as text
};
const DefinicionLista& definicion(Lista lista);

// Columns the rows rely on.
inline constexpr int COLUMNA_CLAVE_USUARIO = 4; // Lista1's zero-width "Key"
inline constexpr int COLUMNA_CADUCIDAD = 4;     // Lista3's "Caducidad"
inline constexpr int COLUMNA_ACTIVO = 3;        // L1_Contr's "Activo"
// The last sub-item the search looks at (sub-item n is column n + 1).
inline constexpr int ULTIMA_SUBCOLUMNA_USUARIOS = 2;
inline constexpr int ULTIMA_SUBCOLUMNA_TARJETAS = 5;

class ModeloLista : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Rol {
        RolClave = Qt::UserRole,    // Fila::clave, in every column
        RolIcono = Qt::UserRole + 1 // the cell's Icono as int
    };

    // Captions, centred columns and order of one of the main window's lists.
    explicit ModeloLista(Lista lista, QObject* parent = nullptr);
    // Any other list: these captions, nothing centred, rows in the order given.
    explicit ModeloLista(const QStringList& cabeceras, QObject* parent = nullptr);

    void setCentradas(const QList<int>& columnas) { centradas_ = columnas; }
    // Takes effect at the next setFilas.
    void setOrdenTexto(bool on) { ordenTexto_ = on; }

    // Replaces every row in one reset.
    void setFilas(std::vector<Fila> filas);
    void limpia() { setFilas({}); }
    // Appends, or inserts at its place by caption when the list is kept sorted; returns the row.
    int anyadeFila(Fila fila);
    // Inserts at `row` whatever the order (the event list puts the newest first).
    void insertaFila(int row, Fila fila);
    // Replaces one row where it stands; the caption is expected unchanged.
    void actualizaFila(int row, Fila fila);
    const Fila& fila(int row) const { return filas_.at(static_cast<std::size_t>(row)); }
    int filas() const { return static_cast<int>(filas_.size()); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role = Qt::EditRole) override;

private:
    QStringList cabeceras_;
    QList<int> centradas_;
    bool ordenTexto_ = false;
    std::vector<Fila> filas_;
};

// Lista_INI: number, description.
// "dd/mm/yyyy hh:mm:ss"; empty for an invalid time.
QString textoFecha(const QDateTime& t);

std::vector<Fila> filasListaINI(const store::DORQColeccionControlador& controladores);
// L1_Contr: number, description, serial port, " ". A port that did not open (ultimoError) shows the
// port-closed picture and the system's message in the "Activo" column.
std::vector<Fila> filasControladores(const store::DORQColeccionControlador& controladores);
// The "Activo" picture of an L1_Contr row after a test; a row whose port did not open keeps its
// picture and message while the controller does not answer.
void marcaActivo(Fila& fila, bool contesta, const QString& errorPuerto = {});
// L2_Contr: one controller's test answer; `tarjetasBD` is its count of assignment rows.
Fila filaEstado(int numero, const QString& descripcion, const link::TTest_Informacion& info, int tarjetasBD);
// Lista1, in users-store order.
std::vector<Fila> filasUsuarios(const store::DORQColeccionUsuario& usuarios,
                                const store::DORQColeccionTarjeta& tarjetas,
                                const store::DORQColeccionControlador& controladores);
// Lista3, in cards-store order.
std::vector<Fila> filasTarjetas(const store::DORQColeccionTarjeta& tarjetas,
                                const store::DORQColeccionControlador& controladores);
// Lista4, from Lista_Logins' "login*role" entries.
std::vector<Fila> filasLogins(const QStringList& logins);

// The rows to select: the upper-cased text occurs in the upper-cased caption or in one of the
// sub-items 0 to `ultimaSubcolumna`. An empty text matches nothing.
QList<int> busca(const ModeloLista& modelo, const QString& texto, int ultimaSubcolumna);

} // namespace kestrum::ui
