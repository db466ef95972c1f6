// The sends that readers did not acknowledge during one operation: the operator learns at its end
// which card stayed pending in which reader, in the status line.
#pragma once

#include <QStringList>

namespace kestrum::ui {

class EnviosSinAcuse {
public:
    void anota(int lector, const QString& descripcion, const QString& tarjeta);
    bool vacio() const { return envios_.isEmpty(); }
    // Posts them, when there were any.
    void avisa() const;

private:
    QStringList envios_;
};

// "3 Door C": a reader as the lists name it.
QString nombreLector(int lector, const QString& descripcion);

} // namespace kestrum::ui
