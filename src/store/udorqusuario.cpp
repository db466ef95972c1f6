#include "udorqusuario.h"

#include "udorqcolecciontarjeta.h"
#include "udorqcoleccionusuario.h"
#include "udorqsistema.h"

namespace kestrum::store {

TTarjetaLista DORQUsuario::Lista_Tarjetas() const {
    TTarjetaLista lista;
    DORQColeccionTarjeta* tarjetas =
        store_ && store_->Instalacion() ? store_->Instalacion()->Tarjetas() : nullptr;
    if (!tarjetas)
        return lista;
    for (tarjetas->Primero(); !tarjetas->Fin(); tarjetas->Siguiente()) {
        const auto t = tarjetas->Tarjeta();
        if (t->usuario() && t->usuario()->id() == id_)
            lista.push_back({t, false});
    }
    return lista;
}

} // namespace kestrum::store
