#include "portrunner.h"

#include "operacion.h"
#include "portmap.h"
#include "udorqcontrolador.h"

#include <QEventLoop>
#include <QPointer>
#include <algorithm>

namespace kestrum::ops {

namespace {

QString dispositivoDe(const store::DORQControlador& c) {
    return link::PortMap::device(c.puerto_serie());
}

} // namespace

PortRunner::PortRunner(QObject* parent) : QObject(parent) {}

// Transactions still running report to nobody: their completions check that the runner lives.
PortRunner::~PortRunner() = default;

PortRunner::Cola& PortRunner::cola(const store::DORQControlador& c) {
    const QString clave = enSerie_ ? QString() : dispositivoDe(c);
    auto& q = colas_[clave];
    if (!q) {
        q = std::make_unique<Cola>();
        q->dispositivo = clave;
        q->desdeFin.start();
        q->timer.setSingleShot(true);
        q->timer.setTimerType(Qt::PreciseTimer);
        Cola* cola = q.get();
        connect(&q->timer, &QTimer::timeout, this, [this, cola] { lanza(*cola); });
    }
    return *q;
}

void PortRunner::encola(const std::shared_ptr<store::DORQControlador>& c,
                        const link::DORQComunicador::Orden& orden, Hecho hecho) {
    if (!c)
        return;
    if (!enMarcha_) {
        cancelado_ = false;
        preparados_.clear();
    }
    if (cancelado_) {
        qCDebug(lcOps) << "cancelled: command" << orden.comando << "for controller" << c->cod() << "dropped";
        return;
    }
    Cola& q = cola(*c);
    q.pendientes.push_back({c, orden, std::move(hecho)});
    enMarcha_ = true;
    programa(q);
}

void PortRunner::pausaExtra(const std::shared_ptr<store::DORQControlador>& c, int ms) {
    if (!c || ms <= 0)
        return;
    Cola& q = cola(*c);
    q.extraMs += ms;
    // A gap already counting down is taken again with the longer wait.
    if (q.timer.isActive()) {
        q.timer.stop();
        programa(q);
    }
}

// The front command waits until its gap since the link's last transaction has passed. Even a
// gap already over goes through the timer, so that completions never nest.
void PortRunner::programa(Cola& q) {
    if (q.enCurso || q.timer.isActive())
        return;
    if (q.pendientes.empty()) {
        compruebaFin();
        return;
    }
    const qint64 gap = q.pendientes.front().orden.pausaMs + q.extraMs;
    q.timer.start(static_cast<int>(std::max<qint64>(0, gap - q.desdeFin.elapsed())));
}

void PortRunner::lanza(Cola& q) {
    if (q.enCurso || q.pendientes.empty())
        return;
    auto trabajo = std::make_shared<Trabajo>(std::move(q.pendientes.front()));
    q.pendientes.pop_front();
    q.extraMs = 0;
    q.enCurso = true;
    const store::DORQControlador& c = *trabajo->controlador;
    qCDebug(lcOps) << dispositivoDe(c) << "controller" << c.cod() << "command" << trabajo->orden.comando;
    emit inicio(dispositivoDe(c), c.cod(), trabajo->orden.comando);
    link::DORQComunicador* com = trabajo->orden.valida ? enlace(q, trabajo->controlador) : nullptr;
    if (!com) {
        completa(q, std::move(*trabajo), link::emptyTrama());
        return;
    }
    QPointer<PortRunner> self(this);
    Cola* cola = &q;
    com->Inicia(trabajo->orden, [self, cola, trabajo](const link::Trama_GenVorna& reply) {
        if (self)
            self->completa(*cola, std::move(*trabajo), reply);
    });
}

// A closed link is opened again once a run, before its controller's first command. When the port
// is held by another controller of the same line (the system lets one user open a device), that
// controller's link is the line's link.
link::DORQComunicador* PortRunner::enlace(Cola& q, const std::shared_ptr<store::DORQControlador>& c) {
    if (preparados_.insert(c).second) {
        link::DORQComunicador* com = c->Comunicador();
        if (!com || !com->link().isOpen()) {
            if (com && com->Conectado())
                com->Fijar_Conectado(false); // closed under its mark: Conecta would trust the mark
            if (!c->Conecta())
                qCDebug(lcOps) << "controller" << c->cod() << "does not open:" << c->ultimoError();
        }
    }
    if (link::DORQComunicador* com = c->Comunicador(); com && com->link().isOpen()) {
        q.abierto = c;
        return com;
    }
    if (q.abierto && q.abierto->Comunicador() && q.abierto->Comunicador()->link().isOpen() &&
        dispositivoDe(*q.abierto) == dispositivoDe(*c))
        return q.abierto->Comunicador();
    return nullptr;
}

void PortRunner::completa(Cola& q, Trabajo trabajo, const link::Trama_GenVorna& reply) {
    q.enCurso = false;
    q.desdeFin.restart();
    const store::DORQControlador& c = *trabajo.controlador;
    emit fin(dispositivoDe(c), c.cod(), trabajo.orden.comando, reply[1] != link::FILLER);
    if (trabajo.hecho) {
        // Nothing may unwind through the link's and Qt's frames: the error stops the run and
        // comes out of espera().
        ++enHecho_;
        try {
            trabajo.hecho(reply);
        } catch (...) {
            if (!error_)
                error_ = std::current_exception();
            cancela();
        }
        --enHecho_;
    }
    programa(q);
}

void PortRunner::cancela() {
    cancelado_ = true;
    for (auto& [clave, q] : colas_) {
        if (!q->pendientes.empty())
            qCDebug(lcOps) << "cancel drops" << q->pendientes.size() << "commands on" << clave;
        q->pendientes.clear();
        q->timer.stop();
    }
    compruebaFin();
}

bool PortRunner::ocupado() const {
    return std::any_of(colas_.begin(), colas_.end(), [](const auto& e) {
        const Cola& q = *e.second;
        return q.enCurso || !q.pendientes.empty() || q.timer.isActive();
    });
}

void PortRunner::compruebaFin() {
    if (!enMarcha_ || enHecho_ > 0 || ocupado())
        return;
    enMarcha_ = false;
    preparados_.clear();
    for (auto& e : colas_)
        e.second->abierto.reset();
    emit terminado();
}

void PortRunner::espera() {
    if (ocupado()) {
        QEventLoop loop;
        connect(this, &PortRunner::terminado, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (error_) {
        const std::exception_ptr e = std::exchange(error_, nullptr);
        std::rethrow_exception(e);
    }
}

} // namespace kestrum::ops
