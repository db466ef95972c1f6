// DORQControlador: one door controller of the installation, with its serial link.
#pragma once

#include "udorqcomunicador.h"
#include "udorqentidad.h"
#include "udorqtarjeta.h"

#include <QString>
#include <functional>
#include <memory>

namespace kestrum::store {

class DORQColeccionControlador;

class DORQControlador : public DORQEntidad {
public:
    using TOnIncidencia =
        std::function<void(DORQControlador& controlador, const link::TEventoInformacion& info)>;

    DORQControlador() = default;
    ~DORQControlador() override;
    DORQControlador(const DORQControlador&) = delete;
    DORQControlador& operator=(const DORQControlador&) = delete;

    int cod() const { return cod_; }
    void setCod(int cod) { cod_ = cod; }
    QString puerto_serie() const { return QString::number(puerto_serie_); }
    void setPuerto_serie(int puerto) { puerto_serie_ = puerto; }
    int tiempo_pta_abierta() const { return tiempo_pta_abierta_; }
    void setTiempo_pta_abierta(int t) { tiempo_pta_abierta_ = t; }
    const QString& descripcion() const { return descripcion_; }
    void setDescripcion(const QString& d) { descripcion_ = d; }
    const QString& tipo() const { return tipo_; }
    void setTipo(const QString& t) { tipo_ = t; }

    DORQColeccionControlador* Coleccion() const { return store_; }
    void setColeccion(DORQColeccionControlador* store) { store_ = store; }

    // Where the link's decoded events go; the event log sets it.
    void setOnIncidencia(TOnIncidencia handler) { onIncidencia_ = std::move(handler); }
    bool tieneOnIncidencia() const { return static_cast<bool>(onIncidencia_); }

    // Creates the link when there is none and opens it unless it is already marked open. A port
    // that does not open returns false and keeps the system's message in ultimoError().
    bool Conecta();
    // Closes the port; the link and its open mark stay.
    void Cierra();
    // Null until the first Conecta.
    link::DORQComunicador* Comunicador() const { return link_.get(); }
    // The link, made (not opened) when there is none yet.
    link::DORQComunicador* Enlace();
    const QString& ultimoError() const { return ultimoError_; }

    // The cards assigned to this controller in the cards store, with their stored marks. Walks the
    // cards store with its cursor.
    TTarjetaLista Lista_Tarjetas() const;
    bool Tiene_Tarjeta(const DORQTarjeta& tarjeta) const;

private:
    int cod_ = 0;
    int puerto_serie_ = 0;
    int tiempo_pta_abierta_ = 0;
    TOnIncidencia onIncidencia_;
    QString descripcion_;
    QString tipo_;
    DORQColeccionControlador* store_ = nullptr;
    std::unique_ptr<link::DORQComunicador> link_;
    QString ultimoError_;
};

} // namespace kestrum::store
