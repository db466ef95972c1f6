// F_Pregunta_Elimina: asked when a card to be deleted stayed in some controller. The caller sets
// the tag to 0 and shows it modally; the tag is 1 after "Aceptar".
#pragma once

#include <QDialog>

namespace kestrum::ui {

class F_Pregunta_Elimina : public QDialog {
    Q_OBJECT
public:
    explicit F_Pregunta_Elimina(QWidget* parent = nullptr);
    void FormCreate();

    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

private:
    int tag_ = 0;
};

} // namespace kestrum::ui
