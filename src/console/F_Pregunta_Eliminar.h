// F_Pregunta_Elimina: Question after a card stayed in a controller.
#pragma once

#include <QDialog>

namespace kestrum::ui {

class F_Pregunta_Elimina : public QDialog {
    Q_OBJECT
public:
    explicit F_Pregunta_Elimina(QWidget* parent = nullptr);
    void FormCreate();
};

} // namespace kestrum::ui
