// PortRunner: controller commands queued per serial link. Work for one link runs in order; work for
// different links runs at the same time on the UI thread through the links' asynchronous
// transactions. A command's pause is the minimum gap before it on its link, taken with a timer, so
// the event loop stays live meanwhile.
#pragma once

#include "udorqcomunicador.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <set>

namespace kestrum::store {
class DORQControlador;
}

namespace kestrum::ops {

class PortRunner : public QObject {
    Q_OBJECT
public:
    using Hecho = std::function<void(const link::Trama_GenVorna& reply)>;

    explicit PortRunner(QObject* parent = nullptr);
    ~PortRunner() override;

    // Appends one command for controller `c` to the queue of the device its port maps to (two
    // controllers that name the same port share it). `hecho` gets the reply (all filler when there
    // was none) and may queue more work. An invalid order completes as a failure without touching
    // the link. Work queued on an idle runner starts a new run (and clears a cancel).
    void encola(const std::shared_ptr<store::DORQControlador>& c, const link::DORQComunicador::Orden& orden,
                Hecho hecho);
    // Lengthens the gap before the next command on c's link by `ms`.
    void pausaExtra(const std::shared_ptr<store::DORQControlador>& c, int ms);

    // Every queue stops after its current transaction (whose hecho still runs); queued work is
    // dropped without its hecho.
    void cancela();
    bool cancelado() const { return cancelado_; }
    bool ocupado() const;
    // Waits in a nested event loop until every queue is empty and idle; returns at once when idle.
    // An exception thrown by a hecho cancelled every queue and comes out of here.
    void espera();

    // Every link's work in one queue, one transaction at a time: measurements compare with it.
    void setEnSerie(bool on) { enSerie_ = on; }

signals:
    void inicio(QString dispositivo, int numero, quint8 comando);
    void fin(QString dispositivo, int numero, quint8 comando, bool respondio);
    void terminado();

private:
    struct Trabajo {
        std::shared_ptr<store::DORQControlador> controlador;
        link::DORQComunicador::Orden orden;
        Hecho hecho;
    };
    struct Cola {
        QString dispositivo;
        std::deque<Trabajo> pendientes;
        bool enCurso = false;
        int extraMs = 0;
        QElapsedTimer desdeFin; // since the last transaction ended, or the queue started
        QTimer timer;
        std::shared_ptr<store::DORQControlador> abierto; // a controller whose link is open on it
    };

    Cola& cola(const store::DORQControlador& c);
    void programa(Cola& cola);
    void lanza(Cola& cola);
    link::DORQComunicador* enlace(Cola& cola, const std::shared_ptr<store::DORQControlador>& c);
    void completa(Cola& cola, Trabajo trabajo, const link::Trama_GenVorna& reply);
    void compruebaFin();

    std::map<QString, std::unique_ptr<Cola>> colas_;
    std::set<std::shared_ptr<store::DORQControlador>> preparados_; // reopened (or tried) in this run
    bool cancelado_ = false;
    bool enMarcha_ = false;
    bool enSerie_ = false;
    int enHecho_ = 0; // a hecho is running: the run goes on at least until it returns
    std::exception_ptr error_;
};

} // namespace kestrum::ops
