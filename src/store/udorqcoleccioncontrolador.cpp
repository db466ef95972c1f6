#include "udorqcoleccioncontrolador.h"

#include "dbconnection.h"
#include "udorqcontrolador.h"

namespace kestrum::store {

DORQColeccionControlador::DORQColeccionControlador(DORQSistema* installation, const QString& dbPath)
    : DORQColeccion(installation, dbPath) {
    orden_ = QStringLiteral("cod");
    Carga();
}

DORQColeccionControlador::~DORQColeccionControlador() = default;

void DORQColeccionControlador::Carga() {
    for (const auto& c : items_)
        c->Cierra();
    Query q(db());
    q.prepare(
         QStringLiteral("select cod,\tpuerto_serie,tiempo_pta_abierta,tipo,descripcion from dorqcontrolador "
                        "order by ") +
         orden_)
        .exec();
    std::vector<std::shared_ptr<DORQControlador>> items;
    while (q.next()) {
        auto c = std::make_shared<DORQControlador>();
        c->setCod(q.integer(0));
        c->setPuerto_serie(q.integer(1));
        c->setTiempo_pta_abierta(q.integer(2));
        c->setTipo(q.text(3));
        c->setDescripcion(q.text(4));
        c->setColeccion(this);
        items.push_back(std::move(c));
    }
    items_ = std::move(items);
}

bool DORQColeccionControlador::Existe_Controlador(const QString& cod) {
    return Db::scalar(db(),
                      QStringLiteral(
                          "select count(*) from dorqcontrolador where dorqcontrolador.cod=:cod_controlador"),
                      {{QStringLiteral("cod_controlador"), cod}})
               .toInt() > 0;
}

bool DORQColeccionControlador::Existe_Puerto(const QString& puerto) {
    return Db::scalar(
               db(),
               QStringLiteral(
                   "select count(*) from dorqcontrolador where dorqcontrolador.puerto_serie=:cod_puerto"),
               {{QStringLiteral("cod_puerto"), puerto}})
               .toInt() > 0;
}

void DORQColeccionControlador::Crea_Controlador(const DORQControlador& c) {
    Db::exec(db(),
             QStringLiteral("INSERT INTO dorqcontrolador(cod,puerto_serie,descripcion,tipo)"
                            "VALUES(:cod,:puerto_serie,:descripcion,:tipo)"),
             {{QStringLiteral("cod"), c.cod()},
              {QStringLiteral("puerto_serie"), c.puerto_serie().toInt()},
              {QStringLiteral("descripcion"), c.descripcion()},
              {QStringLiteral("tipo"), QStringLiteral("Null")}});
    Carga();
}

void DORQColeccionControlador::Modifica_Controlador(const DORQControlador& c) {
    Db::exec(db(),
             QStringLiteral("UPDATE dorqcontrolador SET tipo=:tipo,descripcion =:descripcion WHERE cod=:cod"),
             {{QStringLiteral("tipo"), c.tipo()},
              {QStringLiteral("descripcion"), c.descripcion()},
              {QStringLiteral("cod"), c.cod()}});
    Carga();
}

void DORQColeccionControlador::Borra_Controlador(const DORQControlador& c) {
    Db::exec(db(), QStringLiteral("DELETE FROM dorqcontrolador WHERE cod=:cod"),
             {{QStringLiteral("cod"), QString::number(c.cod())}});
    Carga();
}

std::shared_ptr<DORQControlador> DORQColeccionControlador::Busca_Controlador(int cod) const {
    for (const auto& c : items_) {
        if (c->cod() == cod)
            return c;
    }
    return nullptr;
}

std::shared_ptr<DORQControlador> DORQColeccionControlador::Busca_Por_Puerto(int puerto) const {
    const QString text = QString::number(puerto);
    for (const auto& c : items_) {
        if (c->puerto_serie() == text)
            return c;
    }
    return nullptr;
}

void DORQColeccionControlador::Borra_Asignacion(const DORQControlador& c, const QString& codigoTarjeta) {
    Db::exec(db(),
             QStringLiteral("DELETE FROM dorqcontroladortarjeta WHERE tarjeta=:tarjeta AND controlador=:cod"),
             {{QStringLiteral("tarjeta"), codigoTarjeta}, {QStringLiteral("cod"), c.cod()}});
}

void DORQColeccionControlador::Borra_Asignaciones(const DORQControlador& c) {
    Db::exec(db(), QStringLiteral("DELETE FROM dorqcontroladortarjeta WHERE controlador= :cod"),
             {{QStringLiteral("cod"), c.cod()}});
}

void DORQColeccionControlador::Marca_Asignaciones(const DORQControlador& c, bool almacenada) {
    Db::exec(
        db(),
        QStringLiteral("UPDATE dorqcontroladortarjeta SET \"_STOREDINHW\"=:valor WHERE controlador=:cod"),
        {{QStringLiteral("valor"), almacenada ? QStringLiteral("S") : QStringLiteral("N")},
         {QStringLiteral("cod"), c.cod()}});
}

} // namespace kestrum::store
