// F_New_Card: free cards (without holder) entered one after another, typed or presented at the
// desktop reader. Not modal; the main window suspends events before showing it.
#pragma once

#include "caducidad.h"
#include "lectorescritorio.h"

#include <QDialog>

class QLineEdit;

namespace kestrum::ui {

class F_New_Card : public QDialog {
    Q_OBJECT
public:
    explicit F_New_Card(QWidget* parent);
    void FormCreate();

    QLineEdit* E_Tarjeta() const { return tarjeta_; }
    GrupoCaducidad& caducidad() { return caducidad_; }
    // Whether the desktop reader is lent to this window.
    bool conLector() const { return lector_.enrutado(); }

    void Prepara();
    void B_AceptarClick();
    void Recibida_Lectura(const link::TEventoInformacion& info);

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* tarjeta_;
    GrupoCaducidad caducidad_;
    LectorEscritorio lector_;
};

} // namespace kestrum::ui
