#include "acuses.h"

#include "avisos.h"
#include "consola.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcontrolador.h"
#include "udorqsistema.h"

namespace kestrum::ui {

QString nombreLector(int lector, const QString& descripcion) {
    return QString::number(lector) + QLatin1Char(' ') + descripcion;
}

void EnviosSinAcuse::anota(int lector, const QString& descripcion, const QString& tarjeta) {
    envios_ << textoAviso(QStringLiteral("KS_Dlg_Send"), {nombreLector(lector, descripcion), tarjeta});
}

void EnviosSinAcuse::anotaBorrado(int lector, const QString& descripcion, const QString& tarjeta) {
    envios_ << textoAviso(QStringLiteral("KS_Dlg_Erase"), {nombreLector(lector, descripcion), tarjeta});
}

void EnviosSinAcuse::avisa() const {
    if (vacio())
        return;
    Avisa(QStringLiteral("KS_Dlg_Not_acknowledged"),
          {cuenta(envios_.size(), QStringLiteral("KS_Dlg_One_card"), QStringLiteral("KS_Dlg_N_cards")),
           envios_.join(QStringLiteral("; "))});
}

void avisaRetenida(const QString& codigo, const std::vector<int>& lectores) {
    store::DORQSistema* sistema = Consola::instance().sistema.get();
    QStringList nombres;
    for (int n : lectores) {
        const auto c = sistema ? sistema->Controladores()->Busca_Controlador(n) : nullptr;
        nombres << (c ? nombreLector(n, c->descripcion()) : QString::number(n) + QLatin1Char('?'));
    }
    Avisa(QStringLiteral("KS_Erase_not_acknowledged"), {codigo, nombres.join(QStringLiteral(", "))});
}

} // namespace kestrum::ui
