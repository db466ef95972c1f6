#include "consola.h"

#include "udorqserver.h"
#include "udorqsistema.h"

namespace kestrum::ui {

Consola& Consola::instance() {
    static Consola c;
    return c;
}

void Consola::reset() {
    Consola& c = instance();
    // The installation goes first: its stores refer to the catalogue's parameters.
    c.sistema.reset();
    c.servidor.reset();
    c.logueado = false;
    c.loginDesbloqueo.clear();
    c.passwordDesbloqueo.clear();
    c.rol.clear();
    c.instalacion.clear();
}

Consola::~Consola() = default;

} // namespace kestrum::ui
