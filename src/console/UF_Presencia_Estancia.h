// F_Presencia_Estancia: the manual correction of one day's stay. The caller sets the tag to 0 and
// the labels and field, shows it modally, and takes the field's text when the tag is 25.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

namespace kestrum::ui {

class F_Presencia_Estancia : public QDialog {
    Q_OBJECT
public:
    explicit F_Presencia_Estancia(QWidget* parent = nullptr);
    void FormCreate();

    QLabel* L_Usuario() const { return usuario_; }
    QLabel* L_Fecha() const { return fecha_; }
    QLineEdit* Edit1() const { return edit1_; }
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

private:
    QLabel* usuario_;
    QLabel* fecha_;
    QLineEdit* edit1_;
    int tag_ = 0;
};

} // namespace kestrum::ui
