// Base of every row object and of the installation context.
#pragma once

#include <QString>

namespace kestrum::store {

class DORQEntidad {
public:
    virtual ~DORQEntidad() = default;
    virtual QString Texto() const { return QStringLiteral("salida de la clase BASE"); }
};

} // namespace kestrum::store
