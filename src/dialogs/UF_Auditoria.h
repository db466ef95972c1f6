// F_Auditoria: the audit of the readers — what each one holds against what the database assigns to
// it, as three kinds of difference per reader — and the fix that brings both together. The work is
// ops::Auditoria; this window shows its rows and asks before erasing.
#pragma once

#include "auditoria.h"

#include <QDialog>
#include <memory>
#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace kestrum::ui {

class F_Muestra_recep;

class F_Auditoria : public QDialog {
    Q_OBJECT
public:
    explicit F_Auditoria(QWidget* parent = nullptr);
    ~F_Auditoria() override;
    void FormCreate();
    void setProgreso(F_Muestra_recep* progreso) { progreso_ = progreso; }

    // Audits the readers (every one when `numeros` is empty) with the progress window up, then
    // fills the list; false when nothing ran (no installation, another operation).
    bool Audita(const QList<int>& numeros);
    // Asks, naming how many unknown cards go, then fixes and shows the new audit.
    void B_CorregirClick();

    QTreeWidget* L_Diferencias() const { return lista_; }
    QPushButton* B_Corregir() const { return corregir_; }
    const std::vector<ops::AuditoriaLector>& resultado() const { return resultado_; }

private:
    template <class Trabajo> bool trabaja(Trabajo&& trabajo);
    void muestra();

    QLabel* label1_;
    QTreeWidget* lista_;
    QPushButton* corregir_;
    QPushButton* cerrar_;
    F_Muestra_recep* progreso_ = nullptr;
    std::unique_ptr<ops::Auditoria> auditoria_;
    std::vector<ops::AuditoriaLector> resultado_;
};

} // namespace kestrum::ui
