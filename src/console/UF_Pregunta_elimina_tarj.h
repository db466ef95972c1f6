// F_Pregunta_elimina_tarj: Question after a holder's card stayed in a controller.
#pragma once

#include <QDialog>

namespace kestrum::ui {

class F_Pregunta_elimina_tarj : public QDialog {
    Q_OBJECT
public:
    explicit F_Pregunta_elimina_tarj(QWidget* parent = nullptr);
    void FormCreate();
};

} // namespace kestrum::ui
