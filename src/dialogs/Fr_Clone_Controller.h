// F_Clone_Controller: makes the ticked controllers admit exactly the cards of a source controller.
// Controllers are told apart by description: the source and any controller described like it are
// never targets.
#pragma once

#include <QDialog>

class QComboBox;
class QListWidget;
class QPushButton;

namespace kestrum::ui {

class F_Muestra_recep;
class EnviosSinAcuse;

class F_Clone_Controller : public QDialog {
    Q_OBJECT
public:
    explicit F_Clone_Controller(QWidget* parent);
    void FormCreate();

    QComboBox* CB1() const { return cb1_; }
    QListWidget* CH1() const { return ch1_; }

    void Prepara();
    void CB1Change();
    void B_ClonarClick();
    // The console's progress window, created after this one; without it the clone shows none.
    void setProgreso(F_Muestra_recep* progreso) { progreso_ = progreso; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    F_Muestra_recep* progreso() const;
    void clona(int origen, int destino, F_Muestra_recep* barra, EnviosSinAcuse& sinAcuse);

    QComboBox* cb1_;
    QListWidget* ch1_;
    QPushButton* clonar_;
    QPushButton* cancelar_;
    F_Muestra_recep* progreso_ = nullptr;
};

} // namespace kestrum::ui
