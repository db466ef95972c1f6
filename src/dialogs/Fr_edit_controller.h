// F_edit_controller: a controller's description and, when the controller answers, its two door
// times. Shown without blocking; closing it gives the controllers back to the console.
#pragma once

#include <QDialog>

class QLineEdit;

namespace kestrum::ui {

class F_edit_controller : public QDialog {
    Q_OBJECT
public:
    explicit F_edit_controller(QWidget* parent);
    void FormCreate();

    QLineEdit* Edit1() const { return edit1_; }
    QLineEdit* Edit2() const { return edit2_; }
    QLineEdit* Edit3() const { return edit3_; }

    // Tests the controller of Edit1 and shows its door times when it answered.
    void Prepara();
    void BitBtn1Click();

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

signals:
    void controladoresCambiados();
    // The readers' status list needs a test of every controller.
    void testTodosPedido();

private:
    QLineEdit* edit1_;
    QLineEdit* edit2_;
    QLineEdit* edit3_;
    QLineEdit* edit4_;
    QLineEdit* edit5_;
};

} // namespace kestrum::ui
