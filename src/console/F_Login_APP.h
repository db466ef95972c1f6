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
    // Offered while the databases cannot be reached: the server settings, saved and tried at once.
    void B_ServidorClick();
    QPushButton* B_Servidor() const { return servidor_; }
    // The server settings window B_Servidor opens (null when closed), for tests.
    QDialog* ventanaServidor() const { return ventanaServidor_; }

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    void FormShow();
    // Says why the databases cannot be reached, or nothing; true when they can.
    bool muestraEstadoBD();
    bool conectaBD(); // tries again when the last try failed

    F_Main* main_ = nullptr;
    QLineEdit* edit1_;
    QLineEdit* edit2_;
    QPushButton* aceptar_;
    QPushButton* servidor_;
    QDialog* ventanaServidor_ = nullptr;
};

} // namespace kestrum::ui
