// DORQColeccionIncidencia: the installation's event log. Records what the controllers report,
// announces each recorded event, and loads the recorded events for display.
#pragma once

#include "diario.h"
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
    // The journal's state changes: writes refused (`razon` says why, `eventos` wait in the
    // journal), the log holding every event again (`eventos` were replayed), the journal not
    // written, events lost (neither the journal nor the log took them).
    using EstadoDiario = EscritorDiario::Estado;
    using TOnDiario = EscritorDiario::TAviso;

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

    // Registering on for every controller of the controllers store, in store order: each event is
    // kept (journal, or log without one) before its acknowledgement, then delivered to this log's
    // list. Off: events are acknowledged and dropped, as the operator asked.
    void Inicia_Registro();
    void Detiene_Registro();
    // An operation talks to the controllers: events are still kept and acknowledged, and reach the
    // list when it ends (Reanuda_Registro), in arrival order with their arrival time.
    void Suspende_Registro();
    void Reanuda_Registro() { Inicia_Registro(); }
    bool Registrando() const { return registrando_; }
    // Registering as it stands, on one link (one made after Inicia_Registro).
    void Prepara_Enlace(link::DORQComunicador& com);

    // Records one decoded event and announces it. An event the keeper already kept is only listed;
    // another goes to the journal's writer, or, without a journal, to the log (raises DbError).
    void Registra_Incidencia(link::DORQComunicador* sender, const link::TEventoInformacion& info);
    // Keeps one event on disk and settles `acuse` (see DORQComunicador::setGuardian).
    void Guarda_Incidencia(const link::TEventoInformacion& info, link::tvorna::Acuse acuse);
    // Waits until every kept event is settled and acknowledges them (before the ports close).
    void Asienta();
    // Inserts the event and appends it to the list with the next sequence number; raises DbError.
    void Graba_Incidencia(DORQIncidencia incidencia);

    // Journals every event from now on in the installation's journal in `carpeta`, and replays
    // into the log what the journal holds that the log does not (left by an earlier run). Raises
    // kestrum::Error when the journal cannot be opened; events are then recorded directly.
    void Abre_Diario(const QString& carpeta);
    QString Fichero_Diario() const { return diario_ ? diario_->fichero() : QString(); }
    // Events taken that the log does not hold yet.
    int Pendientes_Diario() const { return diario_ ? diario_->pendientes() : 0; }
    void setOnDiario(TOnDiario handler) { onDiario_ = std::move(handler); }

    void setOnRegistrada(TOnRegistrada handler) { onRegistrada_ = std::move(handler); }
    // Where an error of a live event goes: it must not unwind through the link's timer.
    void setOnError(TOnError handler) { onError_ = std::move(handler); }
    // Registra_Incidencia as a link listener, errors going to OnError.
    link::DORQComunicador::TOnIncidencia Oyente();
    // Guarda_Incidencia as a link keeper.
    link::DORQComunicador::TGuardian Guardian();

private:
    // The texts the log keeps of the moment: the reader's description, the holder, the description.
    void Completa(DORQIncidencia& incidencia, QString& titular) const;
    // The event as the log keeps it, its texts those of now.
    DORQIncidencia Resuelve(const link::TEventoInformacion& info, QString& titular) const;
    template <typename F> void paraCadaEnlace(F f);
    void Inserta(const DORQIncidencia& incidencia, const QString& titular, const QDateTime& momento);
    void Anyade(DORQIncidencia incidencia, const QDateTime& momento);

    std::vector<std::shared_ptr<DORQIncidencia>> items_;
    int cargados_ = 0;
    bool registrando_ = false;
    int secuencia_ = 0;
    QString desde_;
    QString hasta_;
    int usuario_ = -1;
    QDateTime fechaDesde_;
    QDateTime fechaHasta_;
    TOnRegistrada onRegistrada_;
    TOnError onError_;
    TOnDiario onDiario_;
    std::unique_ptr<EscritorDiario> diario_;
};

} // namespace kestrum::store
