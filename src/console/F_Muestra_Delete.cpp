#include "F_Muestra_Delete.h"

namespace kestrum::ui {

F_Muestra_Del::F_Muestra_Del(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("F_Muestra_Del"));
}

void F_Muestra_Del::FormCreate() {}

} // namespace kestrum::ui
