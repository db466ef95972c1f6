// F_imp_XLS: the rows of a spreadsheet before they are imported, the readers their cards will be
// assigned to (pending), and the mode; "Add" writes them all in one transaction.
#pragma once

#include "hojas.h"

#include <QDialog>
#include <vector>

class QListWidget;
class QPushButton;
class QRadioButton;
class QTreeWidget;

namespace kestrum::ui {

class F_imp_XLS : public QDialog {
    Q_OBJECT
public:
    explicit F_imp_XLS(QWidget* parent = nullptr);
    void FormCreate();

    // Reads the file's rows into the list and ticks every controller; raises kestrum::Error with
    // the reason the file cannot be read.
    void Prepara(const QString& fichero);
    void B_addClick();

    QTreeWidget* Lista1() const { return lista_; }
    QListWidget* CH2() const { return controladores_; }
    QRadioButton* R3() const { return r3_; }
    QRadioButton* R4() const { return r4_; }
    QPushButton* B_add() const { return add_; }
    bool importado() const { return importado_; }

private:
    QTreeWidget* lista_;
    QListWidget* controladores_;
    QRadioButton* r3_;
    QRadioButton* r4_;
    QPushButton* add_;
    QPushButton* cancel_;
    std::vector<store::FilaHoja> filas_;
    bool importado_ = false;
};

} // namespace kestrum::ui
