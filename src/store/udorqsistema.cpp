#include "udorqsistema.h"

#include "dbconnection.h"
#include "schema.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcoleccionincidencia.h"
#include "udorqcolecciontarjeta.h"
#include "udorqcoleccionusuario.h"
#include "udorqcontrolador.h"

namespace kestrum::store {

DORQSistema::DORQSistema(const QString& dbPath, DORQServer* server) : dbPath_(dbPath), server_(server) {}

DORQSistema::~DORQSistema() {
    Cierra();
}

void DORQSistema::Abre() {
    db_ = Db::connect(dbPath_);
    schema::upgradeInstallation(db_);
    usuarios_ = std::make_unique<DORQColeccionUsuario>(this, dbPath_);
    controladores_ = std::make_unique<DORQColeccionControlador>(this, dbPath_);
    tarjetas_ = std::make_unique<DORQColeccionTarjeta>(this, dbPath_);
}

void DORQSistema::Arranca(const std::function<void(DORQColeccionIncidencia& log)>& antes) {
    if (!controladores_)
        return;
    // A second start keeps the log: the links' listeners point at it.
    if (!incidencias_)
        incidencias_ = std::make_unique<DORQColeccionIncidencia>(this, dbPath_);
    if (antes)
        antes(*incidencias_);
    for (int i = 0; i < controladores_->Cuenta(); ++i) {
        if (auto c = controladores_->Controlador(i)) {
            if (incidencias_->Registrando())
                incidencias_->Prepara_Enlace(*c->Enlace());
            c->setOnIncidencia([oyente = incidencias_->Oyente()](DORQControlador& controlador,
                                                                 const link::TEventoInformacion& info) {
                oyente(controlador.Comunicador(), info);
            });
            c->Conecta();
        }
    }
}

void DORQSistema::Cierra() {
    // Events on disk are acknowledged while their ports are still open.
    if (incidencias_)
        incidencias_->Asienta();
    if (controladores_) {
        for (int i = 0; i < controladores_->Cuenta(); ++i) {
            if (auto c = controladores_->Controlador(i))
                c->Cierra();
        }
    }
    Db::disconnect(db_);
    if (usuarios_)
        usuarios_->Cierra();
    if (incidencias_)
        incidencias_->Cierra();
    if (controladores_)
        controladores_->Cierra();
    if (tarjetas_)
        tarjetas_->Cierra();
    // Cards refer to holders and controllers: they go first. The controllers' links call into the
    // event log: they go before it.
    tarjetas_.reset();
    controladores_.reset();
    incidencias_.reset();
    usuarios_.reset();
}

} // namespace kestrum::store
