#include "F_Contr_NEW.h"

#include "acuses.h"
#include "avisos.h"
#include "consola.h"
#include "errores.h"
#include "formas.h"
#include "langtexts.h"
#include "limites.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcontrolador.h"
#include "udorqsistema.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace kestrum::ui {

namespace {

const LangTable TEXTS = {
    lang::title(),
    lang::caption(QStringLiteral("Label4")),
    lang::caption(QStringLiteral("Label5")),
    lang::caption(QStringLiteral("Label7")),
    lang::caption(QStringLiteral("Label6")),
    lang::caption(QStringLiteral("B_cancel")),
    lang::caption(QStringLiteral("B_add")),
};

} // namespace

F_Contr_N::F_Contr_N(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("F_Contr_N"));
    setWindowTitle(QStringLiteral("New Controller"));
    setModal(true);

    edit1_ = campoNumerico(QStringLiteral("Edit1"), 2, this);
    edit3_ = campoNumerico(QStringLiteral("Edit3"), 2, this);
    edit2_ = campoTexto(QStringLiteral("Edit2"), store::limites::dorqcontrolador::DESCRIPCION, this);

    auto* grid = new QGridLayout;
    grid->addWidget(etiqueta(QStringLiteral("Label4"), QStringLiteral("Number"), this), 0, 0);
    grid->addWidget(edit1_, 0, 2);
    grid->addWidget(etiqueta(QStringLiteral("Label5"), QStringLiteral("Port"), this), 1, 0);
    grid->addWidget(etiqueta(QStringLiteral("Label7"), QStringLiteral("COM"), this), 1, 1);
    grid->addWidget(edit3_, 1, 2);
    grid->addWidget(etiqueta(QStringLiteral("Label6"), QStringLiteral("Desc"), this), 2, 0);
    grid->addWidget(edit2_, 2, 2);

    auto* cancel = botonDialogo(QStringLiteral("B_cancel"), QStringLiteral("Cancel"), this);
    auto* add = botonDialogo(QStringLiteral("B_add"), QStringLiteral("Add"), this);
    add->setDefault(true);
    QHBoxLayout* buttons = filaBotones({cancel, add});

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(add, &QPushButton::clicked, this, [this] { protegido([this] { B_addClick(); }); });
}

void F_Contr_N::FormCreate() {
    applyLangTexts(this, QStringLiteral("F_Contr_N"), TEXTS);
}

void F_Contr_N::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    vacia();
}

void F_Contr_N::vacia() {
    edit1_->clear();
    edit2_->clear();
    edit3_->clear();
    edit1_->setFocus();
}

void F_Contr_N::B_addClick() {
    const QString numero = edit1_->text().trimmed();
    const QString descripcion = edit2_->text().trimmed();
    const QString puerto = edit3_->text().trimmed();
    if (numero.isEmpty() || descripcion.isEmpty() || puerto.isEmpty()) {
        Avisa(QStringLiteral("KS_Dlg_Reader_empty"));
        return;
    }
    store::DORQSistema* sistema = Consola::instance().sistema.get();
    if (!sistema)
        return;
    store::DORQColeccionControlador* controladores = sistema->Controladores();
    if (controladores->Existe_Controlador(numero)) {
        Avisa(QStringLiteral("KS_Dlg_Reader_number_used"), {numero});
        edit1_->setFocus();
        return;
    }
    if (controladores->Existe_Puerto(puerto)) {
        Avisa(QStringLiteral("KS_Dlg_Reader_port_used"), {puerto});
        edit3_->setFocus();
        return;
    }
    store::DORQControlador nuevo;
    nuevo.setCod(numero.toInt());
    nuevo.setPuerto_serie(puerto.toInt());
    nuevo.setDescripcion(descripcion);
    controladores->Crea_Controlador(nuevo);
    Avisa(QStringLiteral("KS_Dlg_Reader_added"), {nombreLector(nuevo.cod(), descripcion)});
    emit controladoresCambiados();
    vacia();
}

} // namespace kestrum::ui
