// F_Nuevo_login: adds logins of the console — a name, a password typed twice and a level. It stays
// open for the next login.
#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;

namespace kestrum::ui {

class F_Nuevo_login : public QDialog {
    Q_OBJECT
public:
    explicit F_Nuevo_login(QWidget* parent = nullptr);
    void FormCreate();

    void B_AceptarClick();
    // "ADMIN" for the first level entry, "USER" for anything else (nothing chosen included).
    QString Traduce_valor() const;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void vacia();

    QLineEdit* edit1_;
    QLineEdit* edit2_;
    QLineEdit* edit3_;
    QComboBox* nivel_;
};

} // namespace kestrum::ui
