// F_Muestra_recep: the progress of a transfer between the console and the controllers — a text
// line, a bar and a moving picture — in a tool window that stays on top.
#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QTimer;

namespace kestrum::ui {

class F_Muestra_recep : public QDialog {
    Q_OBJECT
public:
    explicit F_Muestra_recep(QWidget* parent = nullptr);
    void FormCreate();

    QLabel* Label1() const { return label1_; }
    QProgressBar* P1() const { return p1_; }
    void setAnimacion(bool activa);
    bool animacion() const;
    // One step forward; the bar stops at its end.
    void avanza();

private:
    void gira();

    QLabel* ani1_;
    QLabel* label1_;
    QProgressBar* p1_;
    QTimer* animacion_;
    int paso_ = 0;
};

} // namespace kestrum::ui
