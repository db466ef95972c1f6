#include "reintento.h"

#include "operacion.h"
#include "portrunner.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcolecciontarjeta.h"
#include "udorqsistema.h"

#include <QMap>
#include <memory>

namespace kestrum::ops {

std::vector<Reenvio> Reenvia_Pendientes(store::DORQSistema& sistema, const QList<int>& contestan,
                                        int limite) {
    std::vector<Reenvio> envios;
    store::DORQColeccionTarjeta& tarjetas = *sistema.Tarjetas();
    QMap<int, std::shared_ptr<store::DORQControlador>> controladores;
    for (const int n : contestan) {
        const int quedan = limite - static_cast<int>(envios.size());
        if (quedan <= 0)
            break;
        const auto c = sistema.Controladores()->Busca_Controlador(n);
        if (!c)
            continue;
        controladores.insert(n, c);
        for (const QString& codigo : tarjetas.Pendientes_Controlador(n, quedan))
            envios.push_back({n, codigo, false});
    }
    if (envios.empty())
        return envios;
    PortRunner runner;
    for (Reenvio& e : envios) {
        runner.encola(
            controladores.value(e.controlador), link::DORQComunicador::Orden_Enviar(e.codigo),
            [&e](const link::Trama_GenVorna& r) { e.confirmado = link::DORQComunicador::Confirmado(r); });
    }
    runner.espera();
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
