// F_Gestion_BD: installation management. Its chooser C2 lists the installations and names the one
// that is open; the delete button is only offered while more than one installation exists. The
// dialog closes installations itself and asks the main window, through its signals, to open one.
#pragma once

#include <QDialog>
#include <QScopeGuard>
#include <QStringList>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kestrum::ui {

class F_Delete_Conf;

class F_Gestion_BD : public QDialog {
    Q_OBJECT
public:
    explicit F_Gestion_BD(QWidget* parent = nullptr);
    void FormCreate();
    void setConfirmacion(F_Delete_Conf* confirmacion) { confirmacion_ = confirmacion; }

    QComboBox* C2() const { return c2_; }
    QPushButton* B_Eliminar() const { return eliminar_; }
    QLineEdit* E_Nueva() const { return nueva_; }

    void C2Change();
    void B_NuevaClick();
    void B_EliminarClick();
    // The file dialogs' choices go through these; tests call them with a file.
    void Exporta(const QString& fichero);
    void Importa(const QString& fichero);
    void B_exportClick();
    void B_importClick();
    void B_SalirClick();

    // Closes the open installation: its readers' links and its connections.
    static void Close_instalacion();
    // The pause between closing one installation and opening another.

signals:
    // Refill the chooser from the catalogue, choose `codigo` (or the first) and open it.
    void cargaInstalaciones(const QString& codigo);
    // Open the chosen installation again (its entry is the chooser's current item).
    void abreInstalacion(const QString& codigo);

private:
    QStringList elegida() const; // code, and the rest after "."
    void habilita(bool si);
    QScopeGuard<std::function<void()>> ocupado();
    void progresa(const QString& linea);

    QComboBox* c2_;
    QPushButton* eliminar_;
    QPushButton* nueva_b_;
    QPushButton* exportar_;
    QPushButton* importar_;
    QLineEdit* nueva_;
    QLabel* estado_;
    F_Delete_Conf* confirmacion_ = nullptr;
};

} // namespace kestrum::ui
