// G_Servidor: the database server settings (host, port, user, password, folder on the server)
// with a connection test that reports the server's own answer. Shared by the parameters dialog and
// the login window, which offers it when the databases cannot be reached.
#pragma once

#include "Variables.h"
#include "langtexts.h"

#include <QGroupBox>

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace kestrum::ui {

class G_Servidor : public QGroupBox {
    Q_OBJECT
public:
    explicit G_Servidor(QWidget* parent = nullptr);

    // The group's entries, for the table of the window that holds it.
    static LangTable textos();

    void carga(const config::DatabaseSettings& valores);
    config::DatabaseSettings valores() const;

    QLineEdit* E_Host() const { return host_; }
    QSpinBox* E_Puerto() const { return port_; }
    QLineEdit* E_Usuario() const { return user_; }
    QLineEdit* E_Password() const { return password_; }
    QLineEdit* E_Carpeta() const { return folder_; }
    QPushButton* B_Probar() const { return probar_; }
    QLabel* L_Estado() const { return estado_; }

    // Asks the server in the background; the window stays live and the answer lands in L_Estado.
    void B_ProbarClick();

signals:
    void probado(); // the answer is shown

private:
    void actualiza();

    QLineEdit* host_;
    QSpinBox* port_;
    QLineEdit* user_;
    QLineEdit* password_;
    QLineEdit* folder_;
    QPushButton* probar_;
    QLabel* estado_;
    bool probando_ = false;
};

} // namespace kestrum::ui
