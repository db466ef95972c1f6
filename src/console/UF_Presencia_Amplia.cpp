#include "UF_Presencia_Amplia.h"

#include "formas.h"
#include "iconos.h"
#include "langtexts.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kestrum::ui {

namespace {

LangTable textos() {
    LangTable t;
    for (int n = 0; n < 3; ++n)
        t << lang::column(QStringLiteral("Lista_presencia"), n);
    t << lang::column(QStringLiteral("Lista_presencia"), 3)
             .withWholeKey(QStringLiteral("F_Main_Lista_Presencia_Columns3_caption"));
    t << lang::caption(QStringLiteral("B_Aceptar")).withWholeKey(QStringLiteral("F_Main_Close1_Caption"));
    return t;
}

} // namespace

F_Presencia_Amplia::F_Presencia_Amplia(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("F_Presencia_Amplia"));
    setModal(false);
    lista_ = new QTreeWidget(this);
    lista_->setObjectName(QStringLiteral("Lista_presencia"));
    lista_->setRootIsDecorated(false);
    lista_->setHeaderLabels({QStringLiteral("Dia"), QStringLiteral("Entradas"), QStringLiteral("Salidas"),
                             QStringLiteral("Estancia")});
    lista_->setColumnWidth(0, 100);
    lista_->setColumnWidth(1, 250);
    lista_->setColumnWidth(2, 250);
    auto* cerrar = botonDialogo(QStringLiteral("B_Aceptar"), QStringLiteral("Cerrar"), this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lista_, 1);
    layout->addLayout(filaBotones({cerrar}));
    resize(760, 560);
    connect(cerrar, &QPushButton::clicked, this, &QDialog::close);
}

void F_Presencia_Amplia::FormCreate() {
    applyLangTexts(this, QStringLiteral("F_Presencia_Amplia"), textos());
}

void F_Presencia_Amplia::muestra(const std::vector<FilaPresencia>& filas) {
    lista_->clear();
    for (const FilaPresencia& f : filas) {
        auto* item = new QTreeWidgetItem(lista_, {f.dia, f.entradas, f.salidas, f.estancia});
        item->setIcon(0, icono(Icono::Calendario));
    }
}

} // namespace kestrum::ui
