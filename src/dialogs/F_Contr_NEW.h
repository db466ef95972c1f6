// F_Contr_N: adds controllers — number, serial port and description. It stays open for the next
// one; a number or port already in use only moves the focus to its field.
#pragma once

#include <QDialog>

class QLineEdit;

namespace kestrum::ui {

class F_Contr_N : public QDialog {
    Q_OBJECT
public:
    explicit F_Contr_N(QWidget* parent);
    void FormCreate();

    void B_addClick();

protected:
    void showEvent(QShowEvent* event) override;

signals:
    // The controllers store changed: the lists that show it are rebuilt.
    void controladoresCambiados();

private:
    void vacia();

    QLineEdit* edit1_;
    QLineEdit* edit2_;
    QLineEdit* edit3_;
};

} // namespace kestrum::ui
