// F_Muestra_Del: Deletion progress, with its cancel button.
#pragma once

#include <QDialog>

namespace kestrum::ui {

class F_Muestra_Del : public QDialog {
    Q_OBJECT
public:
    explicit F_Muestra_Del(QWidget* parent = nullptr);
    void FormCreate();
};

} // namespace kestrum::ui
