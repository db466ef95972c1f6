#include "reintento.h"

#include "operacion.h"
#include "portrunner.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcolecciontarjeta.h"
#include "udorqsistema.h"

#include <QMap>
#include <memory>

namespace kestrum::ops {

void Ordena_Por_Puertos(store::DORQSistema& sistema, std::vector<Reenvio>& ordenes) {
    PortRunner runner;
    for (Reenvio& e : ordenes) {
        const auto c = sistema.Controladores()->Busca_Controlador(e.controlador);
        if (!c)
            continue;
        runner.encola(
            c,
            e.borra ? link::DORQComunicador::Orden_Borrar(e.codigo)
                    : link::DORQComunicador::Orden_Enviar(e.codigo),
            [&e](const link::Trama_GenVorna& r) { e.confirmado = link::DORQComunicador::Confirmado(r); });
    }
    runner.espera();
}

std::vector<Reenvio> Reenvia_Pendientes(store::DORQSistema& sistema, const QList<int>& contestan,
                                        int limite) {
    std::vector<Reenvio> envios;
    store::DORQColeccionTarjeta& tarjetas = *sistema.Tarjetas();
    for (const int n : contestan) {
        const int quedan = limite - static_cast<int>(envios.size());
        if (quedan <= 0)
            break;
        const auto c = sistema.Controladores()->Busca_Controlador(n);
        if (!c)
            continue;
        for (const QString& codigo : tarjetas.Pendientes_Controlador(n, quedan))
            envios.push_back({n, codigo, false});
    }
    if (envios.empty())
        return envios;
    Ordena_Por_Puertos(sistema, envios);
    QMap<int, QStringList> confirmadas;
    for (const Reenvio& e : envios) {
        if (e.confirmado)
            confirmadas[e.controlador] << e.codigo;
    }
    for (auto it = confirmadas.cbegin(); it != confirmadas.cend(); ++it)
        tarjetas.Marca_Almacenadas(it.key(), it.value());
    qCDebug(lcOps) << "pending cards sent:" << envios.size() << "acknowledged by" << confirmadas.keys();
    return envios;
}

} // namespace kestrum::ops
