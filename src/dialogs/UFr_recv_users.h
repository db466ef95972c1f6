// f_recv_users: reads back the cards every controller holds, all controllers at once, and rebuilds
// their assignments in the database from what was read.
#pragma once

#include <QDialog>
#include <memory>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace kestrum::ops {
class RecepcionTotal;
}

namespace kestrum::ui {

class F_Muestra_recep;

class F_recv_users : public QDialog {
    Q_OBJECT
public:
    explicit F_recv_users(QWidget* parent = nullptr);
    ~F_recv_users() override;
    void FormCreate();
    void setProgreso(F_Muestra_recep* progreso) { progreso_ = progreso; }

    QTreeWidget* L1_Contr() const { return l1Contr_; }
    // On show: tests every controller; "Receive" is enabled when one of them can send its cards.
    void Prepara();
    void SpeedButton10Click(); // receive
    void SpeedButton8Click();  // cancel
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* label1_;
    QTreeWidget* l1Contr_;
    QPushButton* recibir_;
    QPushButton* cancelar_;
    F_Muestra_recep* progreso_ = nullptr;
    std::unique_ptr<ops::RecepcionTotal> recepcion_;
    bool leyendo_ = false;
};

} // namespace kestrum::ui
