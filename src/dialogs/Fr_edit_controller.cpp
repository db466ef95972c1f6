#include "Fr_edit_controller.h"

#include "Lang.h"
#include "consola.h"
#include "errores.h"
#include "formas.h"
#include "langtexts.h"
#include "limites.h"
#include "operacion.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcontrolador.h"
#include "udorqsistema.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShowEvent>
#include <QVBoxLayout>

namespace kestrum::ui {

namespace {

const LangTable TEXTS = {
    lang::title(),
    lang::caption(QStringLiteral("Label4")),
    lang::caption(QStringLiteral("Label5")),
    lang::caption(QStringLiteral("Label6")),
    lang::caption(QStringLiteral("Label1")),
    lang::caption(QStringLiteral("Label2")),
    lang::caption(QStringLiteral("Label7")).withWholeKey(QStringLiteral("F_edit_Controller_Label7_Caption")),
    lang::caption(QStringLiteral("BitBtn1"))
        .withWholeKey(QStringLiteral("F_edit_Controller_BitBtn1_Caption")),
    lang::caption(QStringLiteral("BitBtn2"))
        .withWholeKey(QStringLiteral("F_edit_Controller_BitBtn2_Caption")),
};

int valor(const QLineEdit* e) {
    return e->text().isEmpty() ? -1 : e->text().toInt();
}

store::DORQColeccionControlador* controladores() {
    store::DORQSistema* sistema = Consola::instance().sistema.get();
    return sistema ? sistema->Controladores() : nullptr;
}

} // namespace

F_edit_controller::F_edit_controller(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("F_edit_controller"));
    setWindowTitle(QStringLiteral("Editar Lector"));
    setModal(false);

    edit1_ = campo(QStringLiteral("Edit1"), this);
    edit1_->setReadOnly(true);
    edit3_ = campo(QStringLiteral("Edit3"), this);
    edit3_->setReadOnly(true);
    edit2_ = campoTexto(QStringLiteral("Edit2"), store::limites::dorqcontrolador::DESCRIPCION, this);
    // The window opens wide enough to show a description of a few words whole.
    edit2_->setMinimumWidth(edit2_->fontMetrics().averageCharWidth() * 32);
    edit4_ = campoNumerico(QStringLiteral("Edit4"), 2, this);
    edit5_ = campoNumerico(QStringLiteral("Edit5"), 2, this);

    auto* grid = new QGridLayout;
    grid->addWidget(etiqueta(QStringLiteral("Label4"), QStringLiteral("Number:"), this), 0, 0);
    grid->addWidget(edit1_, 0, 2);
    grid->addWidget(etiqueta(QStringLiteral("Label5"), QStringLiteral("Port:"), this), 1, 0);
    grid->addWidget(etiqueta(QStringLiteral("Label7"), QStringLiteral("COM"), this), 1, 1);
    grid->addWidget(edit3_, 1, 2);
    grid->addWidget(etiqueta(QStringLiteral("Label6"), QStringLiteral("Description:"), this), 2, 0);
    grid->addWidget(edit2_, 2, 2);
    grid->addWidget(etiqueta(QStringLiteral("Label1"), QStringLiteral("T. Door lock (1..99):"), this), 3, 0);
    grid->addWidget(edit4_, 3, 2);
    grid->addWidget(etiqueta(QStringLiteral("Label2"), QStringLiteral("T. Door open (0..99):"), this), 4, 0);
    grid->addWidget(edit5_, 4, 2);

    auto* editar = botonDialogo(QStringLiteral("BitBtn1"), QStringLiteral("Editar"), this);
    editar->setDefault(true);
    auto* cancelar = botonDialogo(QStringLiteral("BitBtn2"), QStringLiteral("Cancelar"), this);
    QHBoxLayout* buttons = filaBotones({cancelar, editar});

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    connect(cancelar, &QPushButton::clicked, this, &QDialog::reject);
    connect(editar, &QPushButton::clicked, this, [this] { protegido([this] { BitBtn1Click(); }); });
}

void F_edit_controller::FormCreate() {
    applyLangTexts(this, QStringLiteral("F_edit_controller"), TEXTS);
}

void F_edit_controller::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (preparaAlMostrar(this, event))
        preparaTrasMostrar(this, [this] { Prepara(); });
}

void F_edit_controller::Prepara() {
    link::TTest_Informacion info;
    store::DORQColeccionControlador* store = controladores();
    const auto controlador = store ? store->Busca_Controlador(edit1_->text().toInt()) : nullptr;
    if (controlador && controlador->Comunicador() && !ops::operacionEnCurso()) {
        const ops::GuardaOperacion operacion;
        controlador->Comunicador()->Testear(info);
    }
    const bool responde = info.Ok == 1;
    // The controller reports each time as two hex digits.
    edit4_->setText(responde ? QString::number(info.T_Abrepuertas.toInt(nullptr, 16)) : QString());
    edit5_->setText(responde ? QString::number(info.T_Puerta_Abierta.toInt(nullptr, 16)) : QString());
    edit4_->setEnabled(responde);
    edit5_->setEnabled(responde);
}

void F_edit_controller::BitBtn1Click() {
    // The door times come from the reader's test, which runs once the editor is up.
    if (property(PREPARANDO).toBool())
        return;
    const int abierta = valor(edit5_);
    const int cierre = valor(edit4_);
    const auto avisa = [this](int n) {
        QMessageBox::information(this, QApplication::applicationDisplayName(),
                                 config::Lang::instance().mensaje(
                                     QStringLiteral("Variables_variables_F_edit_controller_%1").arg(n)));
    };
    if ((cierre < 1 || cierre > 99) && (!edit4_->text().isEmpty() || edit4_->isEnabled())) {
        avisa(2);
        return;
    }
    if ((abierta < 0 || abierta > 99) && (!edit5_->text().isEmpty() || edit5_->isEnabled())) {
        avisa(1);
        return;
    }
    store::DORQColeccionControlador* store = controladores();
    const auto controlador = store ? store->Busca_Controlador(edit1_->text().toInt()) : nullptr;
    if (!controlador)
        return;
    controlador->setDescripcion(edit2_->text());
    if (edit4_->isEnabled() && controlador->Comunicador() && !ops::operacionEnCurso()) {
        const ops::GuardaOperacion operacion;
        controlador->Comunicador()->Fijar_Tiempos(cierre, abierta);
    }
    store->Modifica_Controlador(*controlador);
    accept();
}

void F_edit_controller::done(int result) {
    const bool abierto = isVisible();
    QDialog::done(result);
    if (!abierto)
        return;
    protegido([this] { emit controladoresCambiados(); });
    protegido([] { ops::reanudaEventos(); });
    // The readers' status list was emptied when the editor opened: a stored edit fills it again.
    if (result == QDialog::Accepted)
        protegido([this] { emit testTodosPedido(); });
}

} // namespace kestrum::ui
