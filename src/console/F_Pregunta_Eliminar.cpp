#include "F_Pregunta_Eliminar.h"

namespace kestrum::ui {

F_Pregunta_Elimina::F_Pregunta_Elimina(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("F_Pregunta_Elimina"));
}

void F_Pregunta_Elimina::FormCreate() {}

} // namespace kestrum::ui
