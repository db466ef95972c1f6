#include "periodica.h"

#include "distribucion.h"
#include "udorqcolecciontarjeta.h"
#include "udorqsistema.h"
#include "udorqtarjeta.h"

#include <QStringList>

namespace kestrum::ops {

Liberacion Libera_Caducadas(const std::function<store::DORQSistema*()>& sistemaAbierto,
                            const QDateTime& ahora) {
    Liberacion r;
    store::DORQSistema* sistema = sistemaAbierto();
    QStringList codigos;
    for (int i = 0; sistema && i < sistema->Tarjetas()->Cuenta(); ++i)
        codigos << sistema->Tarjetas()->Tarjeta(i)->codigo_tarjeta();
    for (const QString& codigo : codigos) {
        sistema = sistemaAbierto();
        if (!sistema)
            break;
        store::DORQColeccionTarjeta* tarjetas = sistema->Tarjetas();
        const auto tarjeta = tarjetas->Busca_Tarjeta(codigo);
        if (!tarjeta || !tarjeta->usar_fecha_cad() || !(ahora > tarjeta->fecha_caducidad()))
            continue;
        r.alguna = true;
        const TBorrado borrado = Libera_Tarjeta(*tarjeta);
        if (!borrado.todos)
            r.retenidas.emplace_back(codigo, borrado.retenida);
        // A controller that kept the card keeps its row: the card waits for the next tick.
        if (tarjetas->Tiene_Asignaciones(codigo))
            continue;
        // Looked up again: a list rebuilt during the replies reloads the store.
        const auto libre = tarjetas->Busca_Tarjeta(codigo);
        if (!libre)
            continue;
        libre->setUsuario(nullptr);
        libre->setUsar_fecha_cad(false);
        tarjetas->Modifica_Tarjeta(*libre);
        ++r.liberadas;
    }
    return r;
}

} // namespace kestrum::ops
