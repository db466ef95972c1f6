// F_Nuevo_Usr: new card holders, one after another in one showing, each with its cards and the
// readers that let it pass.
#pragma once

#include "editortitular.h"

namespace kestrum::ui {

class F_Nuevo_Usr : public EditorTitular {
    Q_OBJECT
public:
    explicit F_Nuevo_Usr(QWidget* parent);

    void Prepara() override;

protected:
    void Acepta() override;
    // Ready for the next holder, also after a failure.
    void trasAceptar(bool hecho) override {
        if (hecho)
            Prepara();
    }
};

} // namespace kestrum::ui
