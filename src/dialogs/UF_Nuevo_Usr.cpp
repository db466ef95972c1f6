#include "UF_Nuevo_Usr.h"

#include "consola.h"
#include "udorqcoleccionusuario.h"
#include "udorqsistema.h"
#include "udorqusuario.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace kestrum::ui {

F_Nuevo_Usr::F_Nuevo_Usr(QWidget* parent) : EditorTitular(QStringLiteral("F_Nuevo_Usr"), 0, true, parent) {
    setWindowTitle(QStringLiteral("Nuevo usuario"));
}

void F_Nuevo_Usr::Prepara() {
    caducidad().ponCaducidad(QDateTime::currentDateTime());
    B_Quit_FotoClick();
    preparaComun(true);
    habilita(true);
    edit1_->clear();
    edit2_->clear();
    C_Tarjetas()->setEditText(QString());
    caducidad().CH_Usar_Caducidad()->setChecked(false);
    Muestra_Habilita_caducidad();
    edit1_->setFocus();
}

void F_Nuevo_Usr::Acepta() {
    store::DORQSistema* sistema = Consola::instance().sistema.get();
    if (!sistema)
        return;
    store::DORQUsuario usuario;
    usuario.setNombre(edit1_->text());
    usuario.setApellidos(edit2_->text());
    usuario.setFotografia(fotografia());
    const int id = sistema->Usuarios()->Crea_Usuario(usuario);
    asignaTarjetas(sistema->Usuarios()->Busca_Usuario(id));
}

} // namespace kestrum::ui
