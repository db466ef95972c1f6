// F_Edit_User: one holder's names, photo, cards, expiry and readers. Accepting takes the holder's
// cards out of the controllers and sends the listed ones again; the editor keeps its content.
#pragma once

#include "editortitular.h"

namespace kestrum::ui {

class F_Edit_User : public EditorTitular {
    Q_OBJECT
public:
    explicit F_Edit_User(QWidget* parent);

    // The holder's id, hidden; the opener sets it with the names and the photo.
    QLineEdit* L_CLAVE() const { return clave_; }

    void Prepara() override;
    void Averigua_Tarjetas_Usuario();

protected:
    void Acepta() override;

private:
    // Takes each of the holder's cards out of its controllers; a card leaves the holder when one of
    // them confirmed, or at once when it is in none.
    void Elimina_TODAS_tarjetas(const store::DORQUsuario& titular);

    QLineEdit* clave_;
};

} // namespace kestrum::ui
