#include "UF_User_Muestra.h"

namespace kestrum::ui {

F_User_Muestra::F_User_Muestra(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("F_User_Muestra"));
}

void F_User_Muestra::FormCreate() {}

} // namespace kestrum::ui
