// The console's clock for the expiry release; tests set it instead of waiting.
#pragma once

#include <QDateTime>
#include <functional>

namespace kestrum::ops {

class Reloj {
public:
    using Fuente = std::function<QDateTime()>;
    static QDateTime ahora();
    // An empty source goes back to the system's clock.
    static void fija(Fuente fuente);
};

} // namespace kestrum::ops
