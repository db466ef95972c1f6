#include "lectorescritorio.h"

#include "consola.h"
#include "langtexts.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcontrolador.h"
#include "udorqsistema.h"

namespace kestrum::ui {

bool LectorEscritorio::enruta(int numero, Receptor receptor) {
    libera();
    store::DORQSistema* sistema = Consola::instance().sistema.get();
    auto controlador = sistema ? sistema->Controladores()->Busca_Controlador(numero) : nullptr;
    link::DORQComunicador* comunicador = controlador ? controlador->Comunicador() : nullptr;
    if (!comunicador)
        return false;
    qCDebug(lcUi) << "desktop reader" << numero << "lent to an editor";
    // What the log kept from this reader and holds for its list goes there first; from now on a
    // card shown to it is a reading for the editor, acknowledged at once and not recorded.
    comunicador->Desactivar_Incidencias();
    comunicador->setGuardian(nullptr);
    comunicador->Activar_Incidencias();
    comunicador->setOnIncidencia(
        [receptor = std::move(receptor)](link::DORQComunicador*, const link::TEventoInformacion& info) {
            receptor(info);
        });
    controlador_ = std::move(controlador);
    return true;
}

void LectorEscritorio::libera() {
    const auto controlador = std::exchange(controlador_, nullptr);
    link::DORQComunicador* comunicador = controlador ? controlador->Comunicador() : nullptr;
    if (!comunicador)
        return;
    qCDebug(lcUi) << "desktop reader" << controlador->cod() << "given back";
    comunicador->Desactivar_Incidencias();
    comunicador->setOnIncidencia(nullptr);
}

} // namespace kestrum::ui
