#include "acuses.h"

#include "avisos.h"

namespace kestrum::ui {

QString nombreLector(int lector, const QString& descripcion) {
    return QString::number(lector) + QLatin1Char(' ') + descripcion;
}

void EnviosSinAcuse::anota(int lector, const QString& descripcion, const QString& tarjeta) {
    envios_ << textoAviso(QStringLiteral("KS_Dlg_Send"), {nombreLector(lector, descripcion), tarjeta});
}

void EnviosSinAcuse::avisa() const {
    if (vacio())
        return;
    Avisa(QStringLiteral("KS_Dlg_Not_acknowledged"),
          {cuenta(envios_.size(), QStringLiteral("KS_Dlg_One_card"), QStringLiteral("KS_Dlg_N_cards")),
           envios_.join(QStringLiteral("; "))});
}

} // namespace kestrum::ui
