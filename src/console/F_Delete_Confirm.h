// F_Delete_Conf: the confirmation the deleting workflows ask before they start. The caller sets the
// tag to 0, puts its question in Label1 and shows it modally; the tag is 1 after "Aceptar".
#pragma once

#include <QDialog>

class QLabel;

namespace kestrum::ui {

class F_Delete_Conf : public QDialog {
    Q_OBJECT
public:
    explicit F_Delete_Conf(QWidget* parent = nullptr);
    void FormCreate();

    QLabel* Label1() const { return label1_; }
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

private:
    QLabel* label1_;
    int tag_ = 0;
};

} // namespace kestrum::ui
