// The console-wide controller-operation guard and the nesting suspension of events. Windows follow
// both through signals: the main window disables its controller buttons while an operation runs,
// stops its periodic timer and detaches the controllers' events while suspended.
#pragma once

#include <QLoggingCategory>
#include <QObject>

namespace kestrum::ops {

Q_DECLARE_LOGGING_CATEGORY(lcOps)

class Operaciones : public QObject {
    Q_OBJECT
public:
    static Operaciones& instance();

    // One controller operation at a time: a command's reply wait lets other handlers run, and a
    // second operation would start a command on a busy link.
    bool enCurso() const { return enCurso_; }
    void marca(bool enCurso);

    // Suspensions nest (two editors open, a workflow run while an editor is open): events resume
    // when the last one ends. `timerSiempre`: the periodic timer runs again whatever the settings
    // say (most workflows); otherwise only when a periodic job is switched on.
    void suspende();
    void reanuda(bool timerSiempre = true);
    bool suspendidos() const { return suspensiones_ > 0; }

    // Back to the state before start (tests).
    void reset();

signals:
    void enCursoCambiado(bool enCurso);
    void eventosSuspendidos();
    void eventosReanudados(bool timerSiempre);

private:
    Operaciones() = default;
    bool enCurso_ = false;
    int suspensiones_ = 0;
};

inline bool operacionEnCurso() {
    return Operaciones::instance().enCurso();
}
inline void marcaOperacion(bool enCurso) {
    Operaciones::instance().marca(enCurso);
}
inline void suspendeEventos() {
    Operaciones::instance().suspende();
}
inline void reanudaEventos(bool timerSiempre = true) {
    Operaciones::instance().reanuda(timerSiempre);
}

// Holds the operation mark for its lifetime, when it was free at construction: `tomada()` says
// whether this guard holds it (a nested guard does not release what an outer one took).
class GuardaOperacion {
public:
    GuardaOperacion();
    ~GuardaOperacion();
    bool tomada() const { return tomada_; }
    GuardaOperacion(const GuardaOperacion&) = delete;
    GuardaOperacion& operator=(const GuardaOperacion&) = delete;

private:
    bool tomada_;
};

// Suspends events for its lifetime.
class SuspensionEventos {
public:
    explicit SuspensionEventos(bool timerSiempre = true);
    ~SuspensionEventos();
    SuspensionEventos(const SuspensionEventos&) = delete;
    SuspensionEventos& operator=(const SuspensionEventos&) = delete;

private:
    bool timerSiempre_;
};

} // namespace kestrum::ops
