// F_Login: the login window, and the lock screen once the console is in use. Closing it before the
// first login ends the program.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace kestrum::ui {

class F_Main;

class F_Login : public QDialog {
    Q_OBJECT
public:
    explicit F_Login(QWidget* parent = nullptr);

    // Opens the language texts, loads the settings (showing what did not convert), asks for the
    // language when none is chosen yet, and applies this window's texts.
    void FormCreate();
    void setMain(F_Main* main) { main_ = main; }

    void B_AceptarClick();

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    void FormShow();

    F_Main* main_ = nullptr;
    QLineEdit* edit1_;
    QLineEdit* edit2_;
    QPushButton* aceptar_;
};

} // namespace kestrum::ui
