#include "UF_Edit_User.h"

#include "consola.h"
#include "distribucion.h"
#include "formas.h"
#include "udorqcolecciontarjeta.h"
#include "udorqcoleccionusuario.h"
#include "udorqsistema.h"
#include "udorqtarjeta.h"
#include "udorqusuario.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace kestrum::ui {

namespace {

store::DORQSistema* sistemaAbierto() {
    return Consola::instance().sistema.get();
}

// The card leaves its holder and its expiry; the store reloads.
void libera(store::DORQColeccionTarjeta& tarjetas, const QString& codigo) {
    const auto t = tarjetas.Busca_Tarjeta(codigo);
    if (!t)
        return;
    t->setUsar_fecha_cad(false);
    t->setUsuario(nullptr);
    tarjetas.Modifica_Tarjeta(*t);
}

} // namespace

F_Edit_User::F_Edit_User(QWidget* parent) : EditorTitular(QStringLiteral("F_Edit_User"), 9, false, parent) {
    setWindowTitle(QStringLiteral("Editar usuario"));
    clave_ = campo(QStringLiteral("L_CLAVE"), this);
    clave_->setVisible(false);
}

void F_Edit_User::Prepara() {
    preparaComun(false);
    Averigua_Tarjetas_Usuario();
    habilita(true); // the expiry widgets follow the box as well
    C_Tarjetas()->setEditText(QString());
}

void F_Edit_User::Averigua_Tarjetas_Usuario() {
    caducidad().CH_Usar_Caducidad()->setChecked(false);
    caducidad().ponCaducidad(QDateTime::currentDateTime());
    store::DORQSistema* sistema = sistemaAbierto();
    const auto titular = sistema ? sistema->Usuarios()->Busca_Usuario(clave_->text().toInt()) : nullptr;
    if (!titular)
        return;
    const store::TTarjetaLista suyas = sistema->Usuarios()->Lista_Tarjetas_Usuario(*titular);
    std::shared_ptr<store::DORQTarjeta> conCaducidad;
    for (const store::TTarjetaAlmacenada& t : suyas) {
        anyadeFila(t.tarjeta->codigo_tarjeta(), t.tarjeta.get(), Libre);
        marcaLectoresDe(*t.tarjeta);
        if (!conCaducidad && t.tarjeta->usar_fecha_cad())
            conCaducidad = t.tarjeta;
    }
    // Any card with an expiry shows it, so that accepting keeps it.
    if (conCaducidad) {
        caducidad().CH_Usar_Caducidad()->setChecked(true);
        caducidad().ponCaducidad(conCaducidad->fecha_caducidad());
    }
}

void F_Edit_User::Acepta() {
    store::DORQSistema* sistema = sistemaAbierto();
    if (!sistema)
        return;
    store::DORQColeccionUsuario& usuarios = *sistema->Usuarios();
    const int id = clave_->text().toInt();
    const auto titular = usuarios.Busca_Usuario(id);
    if (!titular)
        return;
    titular->setNombre(edit1_->text());
    titular->setApellidos(edit2_->text());
    titular->setFotografia(fotografia());
    Elimina_TODAS_tarjetas(*titular);
    usuarios.Modifica_Usuario(*titular);
    asignaTarjetas(usuarios.Busca_Usuario(id));
}

void F_Edit_User::Elimina_TODAS_tarjetas(const store::DORQUsuario& titular) {
    store::DORQColeccionTarjeta& tarjetas = *sistemaAbierto()->Tarjetas();
    const store::TTarjetaLista suyas = titular.Lista_Tarjetas();
    for (const store::TTarjetaAlmacenada& t : suyas) {
        const QString codigo = t.tarjeta->codigo_tarjeta();
        if (t.tarjeta->Asignaciones().empty() || ops::Borra_De_Controladores(*t.tarjeta).confirmados > 0)
            libera(tarjetas, codigo);
    }
}

} // namespace kestrum::ui
