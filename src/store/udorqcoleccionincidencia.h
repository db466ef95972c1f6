// DORQColeccionIncidencia: the installation's event log. Records what the controllers report,
// announces each recorded event, and loads the recorded events for display.
#pragma once

#include "kerror.h"
#include "udorqcoleccion.h"
#include "udorqcomunicador.h"
#include "udorqincidencia.h"

#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace kestrum::store {

class DORQColeccionIncidencia : public DORQColeccion {
public:
    using TOnRegistrada =
        std::function<void(DORQColeccionIncidencia* sender, const link::TEventoInformacion& info)>;
    using TOnError = std::function<void(const Error& error)>;

    // Connects and loads once; raises DbError. Registering is off.
    DORQColeccionIncidencia(DORQSistema* installation, const QString& dbPath);
    ~DORQColeccionIncidencia() override;

    // The events within the filters, newest first; raises DbError.
    void Carga() override;
    // Events loaded by Carga; those recorded since follow them in the list but not in the cursor.
    int Cuenta() const override { return cargados_; }
    std::shared_ptr<DORQIncidencia> Incidencia(int i = -1) const { return item(items_, i); }

    // A switch that is not empty applies its date; a user of -1 applies no holder condition.
    void Fija_Filtro(const QString& desde, const QString& hasta, int usuario);
    void Fija_Fechas(int usuario, const QDateTime& desde, const QDateTime& hasta);

    // Event delivery on (off) for every controller of the controllers store, in store order, with
    // this log as the links' listener (none).
    void Inicia_Registro();
    void Detiene_Registro();

    // Records one decoded event and announces it; raises DbError.
    void Registra_Incidencia(link::DORQComunicador* sender, const link::TEventoInformacion& info);
    // Inserts the event and appends it to the list with the next sequence number; raises DbError.
    void Graba_Incidencia(DORQIncidencia incidencia);

    void setOnRegistrada(TOnRegistrada handler) { onRegistrada_ = std::move(handler); }
    // Where an error of a live event goes: it must not unwind through the link's timer.
    void setOnError(TOnError handler) { onError_ = std::move(handler); }
    // Registra_Incidencia as a link listener, errors going to OnError.
    link::DORQComunicador::TOnIncidencia Oyente();

private:
    std::vector<std::shared_ptr<DORQIncidencia>> items_;
    int cargados_ = 0;
    int secuencia_ = 0;
    QString desde_;
    QString hasta_;
    int usuario_ = -1;
    QDateTime fechaDesde_;
    QDateTime fechaHasta_;
    TOnRegistrada onRegistrada_;
    TOnError onError_;
};

} // namespace kestrum::store
