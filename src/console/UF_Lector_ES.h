// F_Lector_ES: which readers count as entries and which as exits for attendance. The type is set
// from the list's context menu and written at once; the main window shows it modally with events
// suspended.
#pragma once

#include <QDialog>

class QMenu;
class QTreeWidget;

namespace kestrum::ui {

class F_Lector_ES : public QDialog {
    Q_OBJECT
public:
    explicit F_Lector_ES(QWidget* parent = nullptr);
    void FormCreate();

    QTreeWidget* Lista() const { return lista_; }
    QMenu* menu() const { return menu_; }
    // The selected reader's type: "ENTRADA", "SALIDA" or empty; written, then the list refilled.
    void Establece(const QString& tipo);
    void Rellena();

signals:
    void controladoresCambiados();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QTreeWidget* lista_;
    QMenu* menu_;
};

} // namespace kestrum::ui
