// A card and its controllers: erasing it from every reader, releasing it, sending it to chosen
// readers and retrying where it is pending. An assignment row says what a reader holds: it is
// dropped only after the reader acknowledged the erase, and it is "S" only after the reader
// acknowledged the card.
#pragma once

#include <QList>
#include <QString>
#include <vector>

namespace kestrum::link {
class DORQComunicador;
}

namespace kestrum::store {
class DORQColeccionTarjeta;
class DORQSistema;
class DORQTarjeta;
} // namespace kestrum::store

namespace kestrum::ops {

// What a command that changes a memory did when the controller did not acknowledge it: a reply
// can be lost or come after the wait although the controller did the work.
enum class Desenlace {
    Hecho,      // acknowledged, or the card count says it was done
    SinCambio,  // nothing was sent, or the card count says nothing changed
    Desconocido // no acknowledgement and no answer to a new test
};

// Empties the controller. An empty it did not acknowledge is judged by a new test: no card left
// means done, cards left mean unchanged.
Desenlace Vacia_Controlador(link::DORQComunicador& comunicador);

// What taking a card out of its controllers did.
struct TBorrado {
    int confirmados = 0;       // controllers that acknowledged the erase; their rows are gone
    bool todos = true;         // every row's controller acknowledged
    std::vector<int> retenida; // controllers whose row stays (did not acknowledge, or unknown)
};

// Tests the controller of each of the card's rows and, when it answered, erases the card (up to
// `intentos` tries). A row goes only after its controller acknowledged (or its card count fell);
// rows of controllers that are not in the store, never connected, silent or refusing stay, and a
// row whose erase went out unacknowledged and unexplained becomes pending ("N"), since the card
// may be gone. No reload.
TBorrado Borra_De_Controladores(const store::DORQTarjeta& tarjeta, int intentos = 1);

// The release of a card: a second erase for a controller that refused the first.
TBorrado Libera_Tarjeta(const store::DORQTarjeta& tarjeta);

// Sends the card to every controller where its row is "N" and marks the acknowledged rows "S".
// False when a controller of the store did not acknowledge; rows of controllers that are not in the
// store are skipped. No reload.
bool Reintenta_Pendientes(store::DORQColeccionTarjeta& tarjetas, const store::DORQTarjeta& tarjeta);

// Sends the card to each of the chosen controllers, each tested first, and writes its row: "S"
// when the controller acknowledged, "N" otherwise (an existing row becomes "S" when acknowledged).
// Controllers missing from the store are skipped. Returns those that did not acknowledge.
QList<int> Envia_A_Lectores(store::DORQSistema& sistema, const store::DORQTarjeta& tarjeta,
                            const QList<int>& controladores);

} // namespace kestrum::ops
