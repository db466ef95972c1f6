// F_Muestra_Del: the progress of a deletion, shown without blocking. "Cancel" sets the tag to 1;
// the running deletion reads it before each item.
#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace kestrum::ui {

class F_Muestra_Del : public QDialog {
    Q_OBJECT
public:
    explicit F_Muestra_Del(QWidget* parent = nullptr);
    void FormCreate();

    QLabel* Label1() const { return label1_; }
    QProgressBar* P1() const { return p1_; }
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    void setAnimacion(bool activa);
    bool animacion() const;
    // One step forward; the bar stops at its end.
    void avanza();

    // Closing the window is a cancel as well.
    void reject() override;

private:
    void gira();

    QLabel* animate1_;
    QLabel* label1_;
    QProgressBar* p1_;
    QPushButton* cancel_;
    QTimer* animacion_;
    int angulo_ = 0;
    int tag_ = 0;
};

} // namespace kestrum::ui
