// What the console keeps for the whole run: the catalogue, the open installation, who logged in.
#pragma once

#include <QString>
#include <memory>

namespace kestrum::store {
class DORQServer;
class DORQSistema;
} // namespace kestrum::store

namespace kestrum::ui {

struct Consola {
    static Consola& instance();
    // Back to the state before start (tests).
    static void reset();

    bool logueado = false;
    QString loginDesbloqueo;    // lower-cased, from the first good login
    QString passwordDesbloqueo; // lower-cased, from the first good login
    QString rol;
    QString instalacion; // code of the open installation
    std::unique_ptr<store::DORQServer> servidor;
    std::unique_ptr<store::DORQSistema> sistema;
    // Why the databases could not be reached at the last try; empty when they were.
    QString errorBD;

    ~Consola();
};

} // namespace kestrum::ui
