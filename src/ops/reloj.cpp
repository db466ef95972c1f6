#include "reloj.h"

namespace kestrum::ops {

namespace {
Reloj::Fuente& fuente() {
    static Reloj::Fuente f;
    return f;
}
} // namespace

QDateTime Reloj::ahora() {
    return fuente() ? fuente()() : QDateTime::currentDateTime();
}

void Reloj::fija(Fuente f) {
    fuente() = std::move(f);
}

} // namespace kestrum::ops
