// F_Presencia_Amplia: the attendance list in a larger window, shown without blocking.
#pragma once

#include "presencia.h"

#include <QDialog>
#include <vector>

class QTreeWidget;

namespace kestrum::ui {

class F_Presencia_Amplia : public QDialog {
    Q_OBJECT
public:
    explicit F_Presencia_Amplia(QWidget* parent = nullptr);
    void FormCreate();

    // Replaces the rows with these.
    void muestra(const std::vector<FilaPresencia>& filas);
    QTreeWidget* Lista_presencia() const { return lista_; }

private:
    QTreeWidget* lista_;
};

} // namespace kestrum::ui
