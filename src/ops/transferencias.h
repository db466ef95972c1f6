// Work on every controller at once, on the per-port runner, with results as data. The dialogs hold the
// operation guard and the event suspension around these calls and turn the results into rows, marks and
// messages.
#pragma once

#include "portrunner.h"
#include "udorqcomunicador.h"

#include <QList>
#include <QObject>
#include <QString>
#include <memory>
#include <vector>

namespace kestrum::store {
class DORQSistema;
class DORQControlador;
} // namespace kestrum::store

namespace kestrum::ops {

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

} // namespace kestrum::ops

Q_DECLARE_METATYPE(kestrum::ops::TestTodos::Resultado)
