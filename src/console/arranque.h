// The start of a run: the windows in their fixed order, each running its creation steps.
#pragma once

#include <memory>

namespace kestrum::ui {

class F_Gestion_BD;
class F_Login;
class F_Main;

struct Ventanas {
    std::unique_ptr<F_Login> login;
    std::unique_ptr<F_Gestion_BD> gestion;
    std::unique_ptr<F_Main> main;
    ~Ventanas();
};

// Creates the windows; the login window then is the one to show.
std::unique_ptr<Ventanas> creaVentanas();

} // namespace kestrum::ui
