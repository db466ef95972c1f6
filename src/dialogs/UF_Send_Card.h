// F_Send_Card: empties every controller and loads into it again every card the database assigns
// to it, all controllers at once, with the progress of each in the progress window.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace kestrum::ops {
class EnvioTotal;
}

namespace kestrum::ui {

class F_Muestra_recep;

class F_Send_Card : public QDialog {
    Q_OBJECT
public:
    explicit F_Send_Card(QWidget* parent = nullptr);
    void FormCreate();
    // The console's progress window, created before this one.
    void setProgreso(F_Muestra_recep* progreso) { progreso_ = progreso; }

    QLabel* Label1() const { return label1_; }
    void B_AceptarClick();
    // Stops the send after each controller's current card and closes the dialog.
    void B_CancelarClick();
    void reject() override;

private:
    QLabel* label1_;
    QPushButton* aceptar_;
    QPushButton* cancelar_;
    F_Muestra_recep* progreso_ = nullptr;
    ops::EnvioTotal* envio_ = nullptr; // while a send runs
};

} // namespace kestrum::ui
