#include "udorqtarjeta.h"

#include "udorqcoleccioncontrolador.h"
#include "udorqcolecciontarjeta.h"
#include "udorqsistema.h"
#include "udorqusuario.h"

#include <algorithm>

namespace kestrum::store {

QString DORQTarjeta::Rellena_Codigo(const QString& codigo) {
    return codigo.rightJustified(LONGITUD_CODIGO, QLatin1Char('0'));
}

int DORQTarjeta::idUsuario() const {
    return usuario_ ? usuario_->id() : -1;
}

bool DORQTarjeta::Pendiente() const {
    return std::any_of(asignaciones_.begin(), asignaciones_.end(),
                       [](const TAsignacion& a) { return !a.almacenada; });
}

std::shared_ptr<DORQControlador> DORQTarjeta::Controlador(const TAsignacion& a) const {
    DORQSistema* sistema = store_ ? store_->Instalacion() : nullptr;
    DORQColeccionControlador* controladores = sistema ? sistema->Controladores() : nullptr;
    return controladores ? controladores->Busca_Controlador(a.controlador) : nullptr;
}

QString DORQTarjeta::Etiqueta(const TAsignacion& a) const {
    const QString numero = QString::number(a.controlador);
    return Controlador(a) ? numero : numero + QLatin1Char('?');
}

} // namespace kestrum::store
