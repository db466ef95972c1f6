// F_Editar_Card: the expiry of one card. No controller is told: the main window's periodic release
// acts on the new date. Events go on while it is open, so closing it has nothing to resume (and
// must not resume events that another open window suspended).
#pragma once

#include "caducidad.h"

#include <QDialog>

class QLabel;

namespace kestrum::ui {

class F_Editar_Card : public QDialog {
    Q_OBJECT
public:
    explicit F_Editar_Card(QWidget* parent);
    void FormCreate();

    // The opener sets the code and the check box before showing the window.
    QLabel* L_CODE_CARD() const { return codigo_; }
    GrupoCaducidad& caducidad() { return caducidad_; }

    void Prepara();
    void B_AceptarClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* codigo_;
    GrupoCaducidad caducidad_;
};

} // namespace kestrum::ui
