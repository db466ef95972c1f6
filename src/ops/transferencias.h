// Work on every controller at once, on the per-port runner, with results as data: test all, send
// all cards (empty each controller and load its cards again) and receive all cards (read back what
// each controller holds). The dialogs hold the
// operation guard and the event suspension around these calls and turn the results into rows, marks and
// messages.
#pragma once

#include "portrunner.h"
#include "udorqcomunicador.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace kestrum::store {
class DORQSistema;
class DORQControlador;
} // namespace kestrum::store

namespace kestrum::ops {

enum class EstadoLector { Esperando, Enviando, Recibiendo, Hecho, NoContesta, NoPuedeRecibir, Cancelado };

struct ProgresoLector {
    int numero = 0;
    QString descripcion;
    QString puerto;
    // Send: cards dealt with (sent, or given up with a controller that did not acknowledge the
    // empty), cards to send, cards acknowledged. Receive: positions tried in the current pass,
    // positions to read (the card count), positions read.
    int hechas = 0;
    int total = 0;
    int confirmadas = 0;
    int pasada = 0; // receive: the pass over the unread positions, 1 to 3
    EstadoLector estado = EstadoLector::Esperando;
    QString ultimo; // the last card code handled
};

// Every controller of the store, in store order.
std::vector<std::shared_ptr<store::DORQControlador>> controladores(const store::DORQSistema& s);
// Those numbered, in that order (null for a number the store lacks); every one when `numeros` is
// empty.
std::vector<std::shared_ptr<store::DORQControlador>> controladores(const store::DORQSistema& s,
                                                                   const QList<int>& numeros);
ProgresoLector progresoDe(const store::DORQControlador& c);

// Tests every controller at once (each one reopened first when its port is closed).
class TestTodos : public QObject {
    Q_OBJECT
public:
    struct Resultado {
        int numero = 0;
        link::TTest_Informacion info;
        QString errorPuerto; // the system's message when the controller's port did not open
    };

    explicit TestTodos(store::DORQSistema& s, QObject* parent = nullptr);

    // Every controller of the store when `numeros` is empty. Waits in a nested event loop and
    // returns the results in the given (or the store's) order; a number the store does not have
    // gives a result that did not answer.
    std::vector<Resultado> ejecuta(const QList<int>& numeros = {});
    PortRunner& runner() { return runner_; }

signals:
    void resultado(const kestrum::ops::TestTodos::Resultado& r); // as each answer comes

private:
    store::DORQSistema& sistema_;
    PortRunner runner_;
};

// Send all: every controller of the store is emptied and then loaded again with the cards the
// database assigns to it (command 34, the load flag on the last card of each controller's run).
// A controller that does not acknowledge the empty is sent nothing. A row ends "S" only when its
// card was acknowledged; every other row, including rows of controllers missing from the store,
// ends "N". All rows are marked "N" first, and each controller's acknowledged rows are written in
// one transaction when its run ends, so a run cut short leaves a sound state.
class EnvioTotal : public QObject {
    Q_OBJECT
public:
    explicit EnvioTotal(store::DORQSistema& s, QObject* parent = nullptr);
    ~EnvioTotal() override;

    // Waits in a nested event loop until every controller's run ended or was cancelled; database
    // errors come out of here once the links stopped.
    void ejecuta();
    void cancela();

    // One entry per controller of the store, in store order, once ejecuta started.
    const std::vector<ProgresoLector>& lectores() const { return lectores_; }
    int hechas() const;
    int total() const;
    PortRunner& runner() { return runner_; }

signals:
    void progreso(int indice); // lectores()[indice] changed

private:
    struct Envio;
    void vaciado(Envio& e, bool confirmado);
    void cargada(Envio& e, const QString& codigo, bool confirmado);
    void termina(Envio& e, EstadoLector estado);

    store::DORQSistema& sistema_;
    PortRunner runner_;
    std::vector<ProgresoLector> lectores_;
    std::vector<std::unique_ptr<Envio>> envios_;
};

// One controller's memory read on a runner: the test, then command 113 over positions 1 to its card
// count in up to three passes over the positions not read yet, with a 200 ms wait after each pass.
// A controller that does not answer, or whose version is below 20, is not read. Receive all and
// the audit read this way; `fin` runs once, when the reading ends or `termina` cuts it short.
class LecturaMemoria {
public:
    static constexpr int VERSION_MINIMA = 20;
    static constexpr int PASADAS = 3;
    using Aviso = std::function<void()>;

    LecturaMemoria(PortRunner& runner, std::shared_ptr<store::DORQControlador> c, ProgresoLector& progreso,
                   Aviso alCambiar, Aviso alTerminar);
    void inicia(); // queues the test
    void termina(EstadoLector estado);

    const std::shared_ptr<store::DORQControlador>& controlador() const { return controlador_; }
    bool iniciada() const { return iniciada_; } // the test answered and positions were read
    bool terminada() const { return terminada_; }
    // The codes read, in position order; complete when every position was read.
    QStringList codigos() const;
    bool completa() const;

private:
    void testeado(const link::TTest_Informacion& info);
    void pasada();
    void leida(int posicion, const QString& codigo, bool ultimaDeLaPasada);

    PortRunner& runner_;
    std::shared_ptr<store::DORQControlador> controlador_;
    ProgresoLector& p_;
    Aviso alCambiar_;
    Aviso alTerminar_;
    std::vector<QString> leidas_; // by position - 1; empty while not read
    bool iniciada_ = false;
    bool terminada_ = false;
};

// Receive all: the controllers are read at the same time (LecturaMemoria). When a controller's reading ends
// its result is written in one transaction: when every position was read its assignment rows are replaced by
// the cards read, otherwise the rows read are added to the old ones. Unknown codes become cards with a new
// holder of empty names.
class RecepcionTotal : public QObject {
    Q_OBJECT
public:
    struct Preparado {
        int numero = 0;
        QString descripcion;
        QString puerto;
        link::TTest_Informacion info;
        bool puedeRecibir = false; // answered, version 20 or later
    };
    static constexpr int VERSION_MINIMA = LecturaMemoria::VERSION_MINIMA;

    explicit RecepcionTotal(store::DORQSistema& s, QObject* parent = nullptr);
    ~RecepcionTotal() override;

    // Tests every controller at once; store order.
    std::vector<Preparado> prepara();
    // Waits in a nested event loop; database errors come out of here once the links stopped.
    void ejecuta();
    void cancela();

    const std::vector<ProgresoLector>& lectores() const { return lectores_; }
    PortRunner& runner() { return runner_; }

signals:
    void progreso(int indice);

private:
    void guarda(const LecturaMemoria& l);

    store::DORQSistema& sistema_;
    PortRunner runner_;
    std::vector<ProgresoLector> lectores_;
    std::vector<std::unique_ptr<LecturaMemoria>> lecturas_;
};

} // namespace kestrum::ops

Q_DECLARE_METATYPE(kestrum::ops::TestTodos::Resultado)
