#include "UF_Pregunta_elimina_tarj.h"

namespace kestrum::ui {

F_Pregunta_elimina_tarj::F_Pregunta_elimina_tarj(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("F_Pregunta_elimina_tarj"));
}

void F_Pregunta_elimina_tarj::FormCreate() {}

} // namespace kestrum::ui
