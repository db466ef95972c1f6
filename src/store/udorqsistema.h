// DORQSistema: the open installation. Its own connection and the stores that hang from it.
#pragma once

#include "udorqentidad.h"

#include <QSqlDatabase>
#include <QString>
#include <functional>
#include <memory>

namespace kestrum::store {

class DORQServer;
class DORQColeccionUsuario;
class DORQColeccionControlador;
class DORQColeccionTarjeta;
class DORQColeccionIncidencia;

class DORQSistema : public DORQEntidad {
public:
    DORQSistema(const QString& dbPath, DORQServer* server);
    ~DORQSistema() override;
    DORQSistema(const DORQSistema&) = delete;
    DORQSistema& operator=(const DORQSistema&) = delete;

    // Connects, then builds and loads the users, controllers and cards stores, in this order: the
    // cards resolve their holders and controllers while loading.
    void Abre();
    // Creates the event log, makes it every controller's event handler, then opens every
    // controller's serial link. `antes` gets the log before any port opens: a recorder switches
    // registering on there, so that no event meets a port that acknowledges without keeping.
    void Arranca(const std::function<void(DORQColeccionIncidencia& log)>& antes = {});
    // Closes the links, then the connections; the stores are released.
    void Cierra();

    DORQServer* Servidor() const { return server_; }
    const QString& RutaBD() const { return dbPath_; }
    const QSqlDatabase& db() const { return db_; }
    DORQColeccionUsuario* Usuarios() const { return usuarios_.get(); }
    DORQColeccionControlador* Controladores() const { return controladores_.get(); }
    DORQColeccionTarjeta* Tarjetas() const { return tarjetas_.get(); }
    DORQColeccionIncidencia* Incidencias() const { return incidencias_.get(); } // null until Arranca

private:
    QString dbPath_;
    DORQServer* server_;
    QSqlDatabase db_;
    std::unique_ptr<DORQColeccionUsuario> usuarios_;
    std::unique_ptr<DORQColeccionControlador> controladores_;
    std::unique_ptr<DORQColeccionTarjeta> tarjetas_;
    std::unique_ptr<DORQColeccionIncidencia> incidencias_;
};

} // namespace kestrum::store
