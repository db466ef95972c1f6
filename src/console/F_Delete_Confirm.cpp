#include "F_Delete_Confirm.h"

namespace kestrum::ui {

F_Delete_Conf::F_Delete_Conf(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("F_Delete_Conf"));
}

void F_Delete_Conf::FormCreate() {}

} // namespace kestrum::ui
