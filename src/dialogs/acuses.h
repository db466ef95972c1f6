// The sends (and erases) that readers did not acknowledge during one operation: the operator learns at its
// end which card stayed pending in which reader, in the status line.
#pragma once

#include <QStringList>
#include <vector>

namespace kestrum::ui {

class EnviosSinAcuse {
public:
    void anota(int lector, const QString& descripcion, const QString& tarjeta);
    // A card that was to leave the reader and may still be in it: its row stays, pending.
    void anotaBorrado(int lector, const QString& descripcion, const QString& tarjeta);
    bool vacio() const { return envios_.isEmpty(); }
    // Posts them, when there were any.
    void avisa() const;

private:
    QStringList envios_;
};

// "Card 0000000005 stays in reader 2 Door B": the readers that did not acknowledge its erase.
void avisaRetenida(const QString& codigo, const std::vector<int>& lectores);

// "3 Door C": a reader as the lists name it.
QString nombreLector(int lector, const QString& descripcion);

} // namespace kestrum::ui
