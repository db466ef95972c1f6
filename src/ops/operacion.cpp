#include "operacion.h"

#include <algorithm>

namespace kestrum::ops {

Q_LOGGING_CATEGORY(lcOps, "kestrum.ops", QtWarningMsg)

Operaciones& Operaciones::instance() {
    static Operaciones operaciones;
    return operaciones;
}

void Operaciones::marca(bool enCurso) {
    if (enCurso_ == enCurso)
        return;
    enCurso_ = enCurso;
    qCDebug(lcOps) << "operation" << (enCurso ? "started" : "ended");
    emit enCursoCambiado(enCurso);
}

void Operaciones::suspende() {
    ++suspensiones_;
    qCDebug(lcOps) << "events suspended, depth" << suspensiones_;
    emit eventosSuspendidos();
}

void Operaciones::reanuda(bool timerSiempre) {
    suspensiones_ = std::max(0, suspensiones_ - 1);
    if (suspensiones_ > 0)
        return;
    qCDebug(lcOps) << "events resumed";
    emit eventosReanudados(timerSiempre);
}

void Operaciones::reset() {
    enCurso_ = false;
    suspensiones_ = 0;
}

GuardaOperacion::GuardaOperacion() : tomada_(!Operaciones::instance().enCurso()) {
    if (tomada_)
        Operaciones::instance().marca(true);
}

GuardaOperacion::~GuardaOperacion() {
    if (tomada_)
        Operaciones::instance().marca(false);
}

SuspensionEventos::SuspensionEventos(bool timerSiempre) : timerSiempre_(timerSiempre) {
    Operaciones::instance().suspende();
}

SuspensionEventos::~SuspensionEventos() {
    Operaciones::instance().reanuda(timerSiempre_);
}

} // namespace kestrum::ops
