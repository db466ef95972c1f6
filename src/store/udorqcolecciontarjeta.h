// DORQColeccionTarjeta: the installation's cards with their holders and controller assignments,
// and the statements on dorqtarjeta and dorqcontroladortarjeta.
#pragma once

#include "udorqcoleccion.h"
#include "udorqtarjeta.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace kestrum::store {

class DORQColeccionTarjeta : public DORQColeccion {
public:
    // Connects and loads; the users store must be loaded already. Raises DbError.
    DORQColeccionTarjeta(DORQSistema* installation, const QString& dbPath);
    ~DORQColeccionTarjeta() override;

    // Cards, their holders from the users store and every assignment, in two queries.
    void Carga() override;
    int Cuenta() const override { return static_cast<int>(items_.size()); }
    std::shared_ptr<DORQTarjeta> Tarjeta(int i = -1) const { return item(items_, i); }

    // In memory: the card with exactly that code, or null.
    std::shared_ptr<DORQTarjeta> Busca_Tarjeta(const QString& codigo) const;
    bool Existe_Tarjeta(const QString& codigo);

    // Inserts the card with its holder and reloads. A duplicate code is dropped silently; any other
    // error is raised.
    void Crea_Tarjeta(const DORQTarjeta& tarjeta);
    void Crea_Tarjeta_Con_Titular(const DORQTarjeta& tarjeta, int idUsuario);
    // Rewrites fecha_alta, holder and expiry, then reloads: look the card up again afterwards.
    bool Modifica_Tarjeta(const DORQTarjeta& tarjeta);
    void Borra_Tarjeta(const DORQTarjeta& tarjeta); // no reload
    void Borra_Asignaciones_Tarjeta(const DORQTarjeta& tarjeta);
    void Vacia_Tarjetas();
    void Vacia_Asignaciones();

    // No reload. A duplicate pair is dropped silently; any other error is raised.
    void Crea_Asignacion(const DORQTarjeta& tarjeta, int controlador, bool almacenada);
    // One row per in-memory assignment of the card, all with the given mark.
    void Crea_Asignaciones(const DORQTarjeta& tarjeta, bool almacenada);
    bool Crea_Tarjeta_Y_Asignaciones(const DORQTarjeta& tarjeta);

    // The controllers where the card's row is "N".
    QList<int> Controladores_Pendientes(const QString& codigo);
    // At most `limite` codes whose row with this controller is "N", oldest codes first.
    QStringList Pendientes_Controlador(int controlador, int limite);

    void Marca_Todas_Almacenadas();
    void Marca_Pendiente(const QString& codigo, int controlador);
    void Marca_Almacenada(const QString& codigo, int controlador);
    // Bulk forms for the transfers; none reloads the store (one Carga when the transfer ends).
    // Every assignment of the installation "N", in one statement.
    void Marca_Todas_Pendientes();
    // The given cards of one controller "S", in one transaction; all or none are written.
    void Marca_Almacenadas(int controlador, const QStringList& codigos);
    // What was read from one controller, in one transaction; all or none is written. With
    // `reemplaza` the controller's rows are first dropped (every position was read); otherwise the
    // old rows stay. Each code read gets its row "S"; an unknown code becomes a card with a new
    // holder of empty names, a known card without a holder gets one. Writes dorqusuario too: reload
    // the users store, then this one.
    void Guarda_Recepcion(int controlador, const QStringList& codigos, bool reemplaza);
    int Cuenta_Asignaciones();
    // Every assignment, ordered by controller, into the two parallel lists sized by the caller (with
    // Cuenta_Asignaciones); both end with the number of rows read when the table holds fewer.
    void Lee_Asignaciones(QList<int>& controladores, QStringList& codigos);
    int Cuenta_Tarjetas_Controlador(int controlador);
    bool Tiene_Asignaciones(const QString& codigo);

private:
    void inserta(const QString& sql, const QString& codeParameter, const DORQTarjeta& tarjeta, int idUsuario);
    void insertaAsignacion(const QString& codigo, int controlador, bool almacenada);

    std::vector<std::shared_ptr<DORQTarjeta>> items_;
    QHash<QString, int> byCode_; // code -> index of the first item with it
};

} // namespace kestrum::store
