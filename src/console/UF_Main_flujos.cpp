// F_Main: the workflows that keep the database and the controllers' memories in step.
#include "UF_Main.h"

namespace kestrum::ui {

void F_Main::conectaFlujos() {}

} // namespace kestrum::ui
