#include "distribucion.h"

#include "operacion.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcolecciontarjeta.h"
#include "udorqcomunicador.h"
#include "udorqcontrolador.h"
#include "udorqsistema.h"
#include "udorqtarjeta.h"

namespace kestrum::ops {

namespace {

// A new test after an unacknowledged command: fewer cards than `antes` means it was done.
Desenlace Por_Cuenta(link::DORQComunicador& comunicador, int antes) {
    link::TTest_Informacion info;
    comunicador.Testear(info);
    if (info.Ok != 1)
        return Desenlace::Desconocido;
    const int ahora = info.Num_Tarjetas.toInt();
    if (ahora < antes)
        return Desenlace::Hecho;
    return ahora == antes ? Desenlace::SinCambio : Desenlace::Desconocido;
}

} // namespace

Desenlace Vacia_Controlador(link::DORQComunicador& comunicador) {
    // A closed port writes nothing.
    if (!comunicador.link().isOpen())
        return Desenlace::SinCambio;
    if (comunicador.Vaciar_Tarjetas())
        return Desenlace::Hecho;
    link::TTest_Informacion info;
    comunicador.Testear(info);
    if (info.Ok != 1)
        return Desenlace::Desconocido;
    return info.Num_Tarjetas.toInt() == 0 ? Desenlace::Hecho : Desenlace::SinCambio;
}

TBorrado Borra_De_Controladores(const store::DORQTarjeta& t, int intentos) {
    TBorrado r;
    const QString codigo = t.codigo_tarjeta();
    const std::vector<store::TAsignacion> asignaciones = t.Asignaciones();
    for (const store::TAsignacion& a : asignaciones) {
        // Held until the row is dropped: a reload during a reply wait must not free it.
        const auto c = t.Controlador(a);
        link::DORQComunicador* comunicador = c ? c->Comunicador() : nullptr;
        if (!comunicador || !c->Coleccion()) {
            r.todos = false;
            r.retenida.push_back(a.controlador);
            continue;
        }
        link::TTest_Informacion info;
        comunicador->Testear(info);
        bool borrada = false;
        for (int i = 0; info.Ok == 1 && !borrada && i < intentos; ++i)
            borrada = comunicador->Borrar_Tarjeta(codigo);
        if (!borrada && info.Ok == 1) {
            switch (Por_Cuenta(*comunicador, info.Num_Tarjetas.toInt())) {
            case Desenlace::Hecho:
                borrada = true;
                break;
            case Desenlace::Desconocido:
                if (store::DORQColeccionTarjeta* tarjetas = t.Coleccion())
                    tarjetas->Marca_Pendiente(codigo, a.controlador);
                break;
            case Desenlace::SinCambio:
                break;
            }
        }
        if (!borrada) {
            qCDebug(lcOps) << "card" << codigo << "stays in controller" << a.controlador;
            r.todos = false;
            r.retenida.push_back(a.controlador);
            continue;
        }
        c->Coleccion()->Borra_Asignacion(*c, codigo);
        ++r.confirmados;
    }
    return r;
}

TBorrado Libera_Tarjeta(const store::DORQTarjeta& tarjeta) {
    return Borra_De_Controladores(tarjeta, 2);
}

bool Reintenta_Pendientes(store::DORQColeccionTarjeta& tarjetas, const store::DORQTarjeta& t) {
    const QList<int> pendientes = tarjetas.Controladores_Pendientes(t.codigo_tarjeta());
    const store::DORQSistema* sistema = tarjetas.Instalacion();
    const store::DORQColeccionControlador* controladores = sistema ? sistema->Controladores() : nullptr;
    bool result = true;
    for (const int cod : pendientes) {
        // Held here: a reload during the command's wait must not free the entity under us.
        const auto c = controladores ? controladores->Busca_Controlador(cod) : nullptr;
        if (!c)
            continue;
        // A controller whose link was never created counts as one that does not answer.
        if (c->Comunicador() && c->Comunicador()->Enviar_Tarjeta(t.codigo_tarjeta()))
            tarjetas.Marca_Almacenada(t.codigo_tarjeta(), cod);
        else
            result = false;
    }
    return result;
}

QList<int> Envia_A_Lectores(store::DORQSistema& sistema, const store::DORQTarjeta& tarjeta,
                            const QList<int>& elegidos) {
    store::DORQColeccionTarjeta& tarjetas = *sistema.Tarjetas();
    const QString codigo = tarjeta.codigo_tarjeta();
    QList<int> sinAcuse;
    for (const int cod : elegidos) {
        const auto controlador = sistema.Controladores()->Busca_Controlador(cod);
        if (!controlador)
            continue;
        link::DORQComunicador* comunicador = controlador->Comunicador();
        link::TTest_Informacion info;
        if (comunicador)
            comunicador->Testear(info);
        const bool almacenada = info.Ok == 1 && comunicador->Enviar_Tarjeta(codigo);
        qCDebug(lcOps) << "card" << codigo << "to controller" << cod << (almacenada ? "stored" : "pending");
        if (!almacenada)
            sinAcuse << cod;
        if (!controlador->Tiene_Tarjeta(tarjeta))
            tarjetas.Crea_Asignacion(tarjeta, cod, almacenada);
        else if (almacenada)
            // A row an earlier erase could not drop: the controller holds the card now.
            tarjetas.Marca_Almacenada(codigo, cod);
    }
    return sinAcuse;
}

} // namespace kestrum::ops
