// The desktop reader lent to an editor: while the editor waits for a card, the events of the
// controller used as desktop reader go to it instead of the event log.
#pragma once

#include "udorqcomunicador.h"

#include <functional>
#include <memory>

namespace kestrum::store {
class DORQControlador;
}

namespace kestrum::ui {

class LectorEscritorio {
public:
    using Receptor = std::function<void(const link::TEventoInformacion& info)>;

    LectorEscritorio() = default;
    ~LectorEscritorio() { libera(); }
    LectorEscritorio(const LectorEscritorio&) = delete;
    LectorEscritorio& operator=(const LectorEscritorio&) = delete;

    // Switches on the events of controller `numero` of the open installation and hands them to
    // `receptor`. False, and nothing routed, when there is no such controller or it has no link.
    bool enruta(int numero, Receptor receptor);
    // Gives the controller back: delivery off, no receiver. Nothing when none was routed.
    void libera();
    bool enrutado() const { return static_cast<bool>(controlador_); }

private:
    std::shared_ptr<store::DORQControlador> controlador_;
};

} // namespace kestrum::ui
