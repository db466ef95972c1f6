// The pending cards of readers that answer again, sent by the periodic task: a bounded number per
// tick, each answering reader's on its own port at the same time, acknowledged rows marked "S".
#pragma once

#include <QList>
#include <QString>
#include <vector>

namespace kestrum::store {
class DORQSistema;
}

namespace kestrum::ops {

struct Reenvio {
    int controlador = 0;
    QString codigo;
    bool confirmado = false;
    bool borra = false; // an erase (command 65) instead of a send (97)
};

// Each card sent to (or erased from) its controller through one runner, every port at once;
// `confirmado` says what was acknowledged. Marks nothing; controllers missing from the store are
// skipped unacknowledged.
void Ordena_Por_Puertos(store::DORQSistema& sistema, std::vector<Reenvio>& ordenes);

// At most `limite` cards in all, shared out among `contestan` in their order; returns what was
// sent, acknowledged or not. Raises DbError when the marks cannot be written.
std::vector<Reenvio> Reenvia_Pendientes(store::DORQSistema& sistema, const QList<int>& contestan, int limite);

} // namespace kestrum::ops
