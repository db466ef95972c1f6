// F_Main: the controller test, event registering, the periodic task and the event panel.
#include "UF_Main.h"

namespace kestrum::ui {

void F_Main::conectaRegistro() {}

void F_Main::B_Test_TODOSClick() {
    selecciona(Lectores);
}

} // namespace kestrum::ui
