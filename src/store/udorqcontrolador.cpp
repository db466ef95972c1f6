#include "udorqcontrolador.h"

#include "kerror.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcolecciontarjeta.h"
#include "udorqsistema.h"

#include <algorithm>

namespace kestrum::store {

DORQControlador::~DORQControlador() = default;

link::DORQComunicador* DORQControlador::Enlace() {
    if (!link_)
        link_ = std::make_unique<link::DORQComunicador>();
    return link_.get();
}

bool DORQControlador::Conecta() {
    Enlace();
    if (link_->Conectado())
        return true;
    link_->setOnIncidencia([this](link::DORQComunicador*, const link::TEventoInformacion& info) {
        if (onIncidencia_)
            onIncidencia_(*this, info);
    });
    // Shown on the controller's row like a port that did not open; the next Conecta tries again.
    link_->setOnPuertoPerdido([this](const QString& message) { ultimoError_ = message; });
    link_->Fijar_Puerto(puerto_serie());
    try {
        link_->Conectar();
        link_->Fijar_Conectado(true);
    } catch (const Error& e) {
        // Shown on the controller's row; commands on a closed port then count as no answer.
        link_->Fijar_Conectado(false);
        ultimoError_ = e.message();
        return false;
    }
    ultimoError_.clear();
    return true;
}

void DORQControlador::Cierra() {
    if (link_)
        link_->Desconectar();
}

TTarjetaLista DORQControlador::Lista_Tarjetas() const {
    TTarjetaLista lista;
    DORQColeccionTarjeta* tarjetas =
        store_ && store_->Instalacion() ? store_->Instalacion()->Tarjetas() : nullptr;
    if (!tarjetas)
        return lista;
    for (tarjetas->Primero(); !tarjetas->Fin(); tarjetas->Siguiente()) {
        const auto t = tarjetas->Tarjeta();
        for (const TAsignacion& a : t->Asignaciones()) {
            if (a.controlador == cod_)
                lista.push_back({t, a.almacenada});
        }
    }
    return lista;
}

bool DORQControlador::Tiene_Tarjeta(const DORQTarjeta& tarjeta) const {
    const TTarjetaLista lista = Lista_Tarjetas();
    return std::any_of(lista.begin(), lista.end(), [&](const TTarjetaAlmacenada& e) {
        return e.tarjeta->codigo_tarjeta() == tarjeta.codigo_tarjeta();
    });
}

} // namespace kestrum::store
