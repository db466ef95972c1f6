#include "UF_Send_Card.h"

#include "F_Muestra_recepcion.h"
#include "acuses.h"
#include "avisos.h"
#include "consola.h"
#include "errores.h"
#include "formas.h"
#include "langtexts.h"
#include "operacion.h"
#include "transferencias.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrum::ui {

namespace {

const LangTable TEXTS = {
    lang::title(),
    lang::caption(QStringLiteral("Label1")),
    lang::caption(QStringLiteral("B_Cancelar")),
    lang::caption(QStringLiteral("B_Aceptar")),
};

// What the operator learns at the end: how many cards the readers acknowledged, and where the
// others stay pending.
void avisaEnvio(const ops::EnvioTotal& envio) {
    int confirmadas = 0;
    int total = 0;
    bool cancelado = false;
    QStringList pendientes;
    for (const ops::ProgresoLector& p : envio.lectores()) {
        confirmadas += p.confirmadas;
        total += p.total;
        cancelado = cancelado || p.estado == ops::EstadoLector::Cancelado;
        if (p.confirmadas < p.total)
            pendientes << nombreLector(p.numero, p.descripcion);
    }
    const QStringList cuentas{QString::number(confirmadas), QString::number(total)};
    if (cancelado)
        return Avisa(QStringLiteral("KS_Dlg_Send_cancelled"), cuentas);
    if (pendientes.isEmpty())
        return Avisa(QStringLiteral("KS_Dlg_Send_done"), cuentas);
    Avisa(QStringLiteral("KS_Dlg_Send_incomplete"),
          cuentas + QStringList{cuenta(pendientes.size(), QStringLiteral("KS_Dlg_One_reader"),
                                       QStringLiteral("KS_Dlg_N_readers")),
                                pendientes.join(QStringLiteral(", "))});
}

} // namespace

F_Send_Card::F_Send_Card(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("F_Send_Card"));
    setWindowTitle(QStringLiteral("Send cards"));
    setModal(true);
    label1_ = etiqueta(QStringLiteral("Label1"),
                       QStringLiteral("Do you want to update all the cards in the readers?"), this);
    cancelar_ = botonDialogo(QStringLiteral("B_Cancelar"), QStringLiteral("Cancel"), this);
    aceptar_ = botonDialogo(QStringLiteral("B_Aceptar"), QStringLiteral("OK"), this);
    aceptar_->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label1_);
    layout->addLayout(filaBotones({cancelar_, aceptar_}));
    connect(aceptar_, &QPushButton::clicked, this, [this] { protegido([this] { B_AceptarClick(); }); });
    connect(cancelar_, &QPushButton::clicked, this, [this] { B_CancelarClick(); });
}

void F_Send_Card::FormCreate() {
    applyLangTexts(this, QStringLiteral("F_Send_Card"), TEXTS);
}

void F_Send_Card::B_AceptarClick() {
    store::DORQSistema* sistema = Consola::instance().sistema.get();
    if (!sistema || envio_ || !progreso_)
        return;
    // Another controller operation holds the links: the operator sends again once it ended.
    if (ops::operacionEnCurso()) {
        QApplication::beep();
        return;
    }
    aceptar_->setEnabled(false);
    const ops::GuardaOperacion operacion;
    const ops::SuspensionEventos suspension;
    ops::EnvioTotal envio(*sistema);
    envio_ = &envio;
    const auto fin = qScopeGuard([this] {
        envio_ = nullptr;
        aceptar_->setEnabled(true);
    });
    const auto avance = progreso_->sigue(envio, false);
    envio.ejecuta();
    avisaEnvio(envio);
    accept();
}

void F_Send_Card::B_CancelarClick() {
    reject();
}

void F_Send_Card::reject() {
    if (envio_)
        envio_->cancela();
    QDialog::reject();
}

} // namespace kestrum::ui
