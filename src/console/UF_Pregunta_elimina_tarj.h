// F_Pregunta_elimina_tarj: asked when a holder's card stayed in some controller. The caller sets
// the tag to 0 and shows it modally; "Aceptar" makes it 25, "Cancelar" leaves it as it was.
#pragma once

#include <QDialog>

namespace kestrum::ui {

class F_Pregunta_elimina_tarj : public QDialog {
    Q_OBJECT
public:
    static constexpr int ACEPTADO = 25;

    explicit F_Pregunta_elimina_tarj(QWidget* parent = nullptr);
    void FormCreate();

    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

private:
    int tag_ = 0;
};

} // namespace kestrum::ui
