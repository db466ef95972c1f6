// F_Error_insert: one card with pending assignments. Which controllers should hold it, which are
// known to hold it, and a retry of the pending ones. Modal.
#pragma once

#include <QDialog>

class QLabel;
class QListWidget;

namespace kestrum::store {
class DORQSistema;
}

namespace kestrum::ui {

class F_Error_insert : public QDialog {
    Q_OBJECT
public:
    explicit F_Error_insert(QWidget* parent);
    void FormCreate();

    // The card's code; the opener sets it before showing the window.
    QLabel* Label3() const { return codigo_; }
    QListWidget* CH1() const { return actual_; }   // stored in the controller
    QListWidget* CH2() const { return correcta_; } // assigned to the controller

    void Prepara();
    // Reintentar: sends the card where it is pending; closes when every one acknowledged.
    void B_YesClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Names in the status line the readers where the card is still pending.
    void avisaPendientes(store::DORQSistema& sistema, const QString& codigo);

    QLabel* codigo_;
    QListWidget* actual_;
    QListWidget* correcta_;
};

} // namespace kestrum::ui
