// F_Exp_imp: the cards and their holders' names written to a spreadsheet file, or a file chosen
// for the import window. The extension picks the format: .xlsx, .csv (and .xls to import).
#pragma once

#include <QDialog>

namespace kestrum::ui {

class F_imp_XLS;

class F_Exp_imp : public QDialog {
    Q_OBJECT
public:
    explicit F_Exp_imp(QWidget* parent = nullptr);
    void FormCreate();
    void setImportacion(F_imp_XLS* importacion) { importacion_ = importacion; }

    void SpeedButton4Click();  // export
    void SpeedButton15Click(); // import
    // The two without their file dialogs. An export to a name without extension writes .xlsx.
    void Exporta(const QString& fichero);
    void Importa(const QString& fichero);

private:
    F_imp_XLS* importacion_ = nullptr;
};

} // namespace kestrum::ui
