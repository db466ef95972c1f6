// DORQTarjeta: one proximity card with its holder and its controller assignments.
#pragma once

#include "limites.h"
#include "udorqentidad.h"

#include <QDateTime>
#include <QString>
#include <memory>
#include <vector>

namespace kestrum::store {

class DORQColeccionTarjeta;
class DORQControlador;
class DORQUsuario;
class DORQTarjeta;

// One row of dorqcontroladortarjeta. The controller is kept by number and found in the current
// controllers store when needed: a reload of that store replaces its entities and closes their links.
struct TAsignacion {
    int controlador = 0;
    bool almacenada = false;
};

struct TTarjetaAlmacenada {
    std::shared_ptr<DORQTarjeta> tarjeta;
    bool almacenada = false;
};
using TTarjetaLista = std::vector<TTarjetaAlmacenada>;

class DORQTarjeta : public DORQEntidad {
public:
    static constexpr int LONGITUD_CODIGO = limites::dorqtarjeta::CODIGO_TARJETA;

    // "0" on the left up to ten characters; longer texts unchanged.
    static QString Rellena_Codigo(const QString& codigo);

    const QString& codigo_tarjeta() const { return codigo_tarjeta_; }
    void setCodigo_tarjeta(const QString& c) { codigo_tarjeta_ = c; }
    const QDateTime& fecha_alta() const { return fecha_alta_; }
    void setFecha_alta(const QDateTime& t) { fecha_alta_ = t; }
    const QDateTime& fecha_caducidad() const { return fecha_caducidad_; }
    void setFecha_caducidad(const QDateTime& t) { fecha_caducidad_ = t; }
    bool usar_fecha_cad() const { return usar_fecha_cad_; }
    void setUsar_fecha_cad(bool on) { usar_fecha_cad_ = on; }
    // The holder, or null for a free card.
    const std::shared_ptr<DORQUsuario>& usuario() const { return usuario_; }
    void setUsuario(std::shared_ptr<DORQUsuario> u) { usuario_ = std::move(u); }
    // The holder's id, or -1 for a free card.
    int idUsuario() const;

    const std::vector<TAsignacion>& Asignaciones() const { return asignaciones_; }
    // In memory only.
    void Anyade_Asignacion(int controlador, bool almacenada) {
        asignaciones_.push_back({controlador, almacenada});
    }
    bool Pendiente() const; // some assignment not stored

    // The controller of `a` in the installation's current controllers store; null when the store has
    // no controller with that number (every command skips such an assignment) or the card was not
    // loaded by a store.
    std::shared_ptr<DORQControlador> Controlador(const TAsignacion& a) const;
    // The controller number, followed by "?" when the controller is not in the store.
    QString Etiqueta(const TAsignacion& a) const;

    DORQColeccionTarjeta* Coleccion() const { return store_; }
    void setColeccion(DORQColeccionTarjeta* store) { store_ = store; }

private:
    QString codigo_tarjeta_;
    QDateTime fecha_alta_;
    QDateTime fecha_caducidad_;
    bool usar_fecha_cad_ = false;
    std::vector<TAsignacion> asignaciones_;
    std::shared_ptr<DORQUsuario> usuario_;
    DORQColeccionTarjeta* store_ = nullptr;
};

} // namespace kestrum::store
