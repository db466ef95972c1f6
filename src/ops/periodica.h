// The periodic task's work: releasing the cards whose expiry passed. (Its controller test is a test
// of every controller at once.)
#pragma once

#include <QDateTime>
#include <QString>
#include <functional>
#include <vector>

namespace kestrum::store {
class DORQSistema;
}

namespace kestrum::ops {

struct Liberacion {
    bool alguna = false; // some card's expiry had passed (the lists shown change)
    int liberadas = 0;   // cards freed: out of every reader, holder and expiry cleared
    // Cards a reader kept, with those readers: they wait for the next tick.
    std::vector<std::pair<QString, std::vector<int>>> retenidas;
};

// Each card using its expiry date whose date is before `ahora` is erased from every reader (a
// second try for a refusal); a card no reader kept loses its holder and its expiry. The
// installation is asked for again before each card: a reply wait lets the console change it.
Liberacion Libera_Caducadas(const std::function<store::DORQSistema*()>& sistema, const QDateTime& ahora);

} // namespace kestrum::ops
