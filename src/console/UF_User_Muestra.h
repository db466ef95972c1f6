// F_User_Muestra: The holder of an event: names, photo, cards and controllers.
#pragma once

#include <QDialog>

namespace kestrum::ui {

class F_User_Muestra : public QDialog {
    Q_OBJECT
public:
    explicit F_User_Muestra(QWidget* parent = nullptr);
    void FormCreate();
};

} // namespace kestrum::ui
