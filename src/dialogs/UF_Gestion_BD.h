// F_Gestion_BD: installation management. Its chooser C2 lists the installations and names the one
// that is open; the delete button is only offered while more than one installation exists.
#pragma once

#include <QDialog>

class QComboBox;
class QPushButton;

namespace kestrum::ui {

class F_Gestion_BD : public QDialog {
    Q_OBJECT
public:
    explicit F_Gestion_BD(QWidget* parent = nullptr);
    void FormCreate();

    QComboBox* C2() const { return c2_; }
    QPushButton* B_Eliminar() const { return eliminar_; }

private:
    QComboBox* c2_;
    QPushButton* eliminar_;
};

} // namespace kestrum::ui
