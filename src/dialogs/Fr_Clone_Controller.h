// F_Clone_Controller: makes the ticked controllers admit exactly the cards of a source controller.
// Controllers are told apart by description: the source and any controller described like it are
// never targets.
#pragma once

#include <QDialog>

class QComboBox;
class QListWidget;
class QPushButton;

namespace kestrum::ui {

class F_Main;
class F_Muestra_recep;
class EnviosSinAcuse;

class F_Clone_Controller : public QDialog {
    Q_OBJECT
public:
    explicit F_Clone_Controller(F_Main* main);
    void FormCreate();

    QComboBox* CB1() const { return cb1_; }
    QListWidget* CH1() const { return ch1_; }

    void Prepara();
    void CB1Change();
    void B_ClonarClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The console's progress window, created after this one; null without it.
    F_Muestra_recep* progreso() const;
    void clona(int origen, int destino, F_Muestra_recep* barra, EnviosSinAcuse& sinAcuse);

    F_Main* main_;
    QComboBox* cb1_;
    QListWidget* ch1_;
    QPushButton* clonar_;
    QPushButton* cancelar_;
};

} // namespace kestrum::ui
