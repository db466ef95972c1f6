// F_Delete_Conf: Deletion confirmation: a question and Aceptar / Cancelar.
#pragma once

#include <QDialog>

namespace kestrum::ui {

class F_Delete_Conf : public QDialog {
    Q_OBJECT
public:
    explicit F_Delete_Conf(QWidget* parent = nullptr);
    void FormCreate();
};

} // namespace kestrum::ui
