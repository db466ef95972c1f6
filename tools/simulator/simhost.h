// Runs simulated controllers on a thread of their own, so that the console's blocking pauses and
// nested waits do not hold the controllers up. Tests, benchmarks and kestrum-sim use it.
#pragma once

#include "simcontroller.h"

#include <QDir>
#include <QMetaObject>
#include <QTemporaryDir>
#include <QThread>
#include <memory>
#include <type_traits>
#include <vector>

namespace kestrum::sim {

class SimHost {
public:
    enum class Names {
        Private, // each controller behind a path of this host's own, removed when it is unplugged
        System,  // the pseudo-terminals' own paths (/dev/pts/N), for people to type
    };
    // Creates `controllers` controllers (numbered from 1) and opens their pseudo-terminals;
    // raises kestrum::Error when a pseudo-terminal cannot be opened.
    explicit SimHost(int controllers, const ControllerSetup& setup = {}, Names names = Names::Private);
    ~SimHost();
    SimHost(const SimHost&) = delete;
    SimHost& operator=(const SimHost&) = delete;

    int size() const { return static_cast<int>(controllers_.size()); }
    QString device(int n) const { return devices_.at(static_cast<std::size_t>(n - 1)); }

    // Runs fn(controller n) on the simulator's thread and returns its result.
    template <class F> auto with(int n, F&& fn) {
        SimController* c = controllers_.at(static_cast<std::size_t>(n - 1));
        using R = std::invoke_result_t<F, SimController&>;
        if constexpr (std::is_void_v<R>) {
            QMetaObject::invokeMethod(
                c, [&] { fn(*c); }, Qt::BlockingQueuedConnection);
        } else {
            R result{};
            QMetaObject::invokeMethod(
                c, [&] { result = fn(*c); }, Qt::BlockingQueuedConnection);
            return result;
        }
    }

private:
    QTemporaryDir aliases_{QDir::tempPath() + QStringLiteral("/kestrum-sim-XXXXXX")};
    QThread thread_;
    std::vector<SimController*> controllers_;
    std::vector<QString> devices_;
};

} // namespace kestrum::sim
