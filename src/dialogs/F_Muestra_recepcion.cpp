#include "F_Muestra_recepcion.h"

#include "acuses.h"
#include "avisos.h"
#include "iconos.h"
#include "langtexts.h"
#include "transferencias.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace kestrum::ui {

namespace {

// The window shares its title with the controller editor's cancel button.
const LangTable TEXTS = {
    lang::title().withWholeKey(QStringLiteral("F_edit_Controller_BitBtn2_Caption")),
    lang::column(QStringLiteral("L_Lectores"), 0).withWholeKey(QStringLiteral("KS_Dlg_Progress_reader")),
    lang::column(QStringLiteral("L_Lectores"), 1).withWholeKey(QStringLiteral("KS_Dlg_Progress_cards")),
    lang::column(QStringLiteral("L_Lectores"), 2).withWholeKey(QStringLiteral("KS_Dlg_Progress_state")),
    lang::caption(QStringLiteral("B_Cancelar"))
        .withWholeKey(QStringLiteral("F_Send_Card_B_Cancelar_Caption")),
};

QString textoEstado(ops::EstadoLector estado) {
    switch (estado) {
    case ops::EstadoLector::Esperando:
        return textoAviso(QStringLiteral("KS_Dlg_State_waiting"));
    case ops::EstadoLector::Enviando:
        return textoAviso(QStringLiteral("KS_Dlg_State_sending"));
    case ops::EstadoLector::Recibiendo:
        return textoAviso(QStringLiteral("KS_Dlg_State_receiving"));
    case ops::EstadoLector::Hecho:
        return textoAviso(QStringLiteral("KS_Dlg_State_done"));
    case ops::EstadoLector::NoContesta:
        return textoAviso(QStringLiteral("KS_Dlg_State_not_answering"));
    case ops::EstadoLector::NoPuedeRecibir:
        return textoAviso(QStringLiteral("KS_Dlg_State_cannot_receive"));
    case ops::EstadoLector::Cancelado:
        return textoAviso(QStringLiteral("KS_Dlg_State_cancelled"));
    }
    return {};
}

Icono iconoEstado(ops::EstadoLector estado) {
    switch (estado) {
    case ops::EstadoLector::Hecho:
        return Icono::ControladorOk;
    case ops::EstadoLector::NoContesta:
    case ops::EstadoLector::NoPuedeRecibir:
        return Icono::ControladorSinRespuesta;
    case ops::EstadoLector::Cancelado:
        return Icono::ControladorAviso;
    default:
        return Icono::Lector;
    }
}

constexpr int PASO_MS = 120;
constexpr int LADO = 32;
constexpr int PASOS = 4;

} // namespace

F_Muestra_recep::F_Muestra_recep(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("F_Muestra_recep"));
    setWindowTitle(QStringLiteral("Cancelar"));
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint);
    setModal(false);

    ani1_ = new QLabel(this);
    ani1_->setObjectName(QStringLiteral("Ani1"));
    ani1_->setFixedSize(LADO * 2, LADO);
    ani1_->setPixmap(icono(Icono::Enviar).pixmap(LADO, LADO));
    label1_ = new QLabel(this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setMinimumWidth(300);
    p1_ = new QProgressBar(this);
    p1_->setObjectName(QStringLiteral("P1"));
    p1_->setTextVisible(false);
    animacion_ = new QTimer(this);
    animacion_->setInterval(PASO_MS);
    lectores_ = new QTreeWidget(this);
    lectores_->setObjectName(QStringLiteral("L_Lectores"));
    lectores_->setColumnCount(3);
    lectores_->setRootIsDecorated(false);
    lectores_->setHeaderLabels(
        {QStringLiteral("Lector"), QStringLiteral("Tarjetas"), QStringLiteral("Estado")});
    lectores_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    lectores_->setMinimumSize(420, 160);
    cancelar_ = new QPushButton(QStringLiteral("Cancelar"), this);
    cancelar_->setObjectName(QStringLiteral("B_Cancelar"));

    auto* top = new QHBoxLayout;
    top->addWidget(ani1_);
    top->addWidget(label1_, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(cancelar_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(p1_);
    layout->addWidget(lectores_, 1);
    layout->addLayout(bottom);
    muestraLectores(false);

    connect(animacion_, &QTimer::timeout, this, &F_Muestra_recep::gira);
    connect(cancelar_, &QPushButton::clicked, this, [this] {
        cancelar_->setEnabled(false);
        emit cancelado();
    });
}

void F_Muestra_recep::FormCreate() {
    applyLangTexts(this, QStringLiteral("F_Muestra_recep"), TEXTS);
}

void F_Muestra_recep::setAnimacion(bool activa) {
    if (activa) {
        animacion_->start();
        return;
    }
    animacion_->stop();
    paso_ = 0;
    ani1_->setContentsMargins(0, 0, 0, 0);
}

void F_Muestra_recep::muestraLectores(bool visibles) {
    lectores_->clear();
    lectores_->setVisible(visibles);
    cancelar_->setVisible(visibles);
    cancelar_->setEnabled(true);
    adjustSize();
}

void F_Muestra_recep::muestraLector(const std::vector<ops::ProgresoLector>& lectores, int indice) {
    if (indice < 0 || indice >= static_cast<int>(lectores.size()))
        return;
    while (lectores_->topLevelItemCount() < static_cast<int>(lectores.size()))
        lectores_->addTopLevelItem(new QTreeWidgetItem);
    const ops::ProgresoLector& p = lectores.at(static_cast<std::size_t>(indice));
    QTreeWidgetItem* fila = lectores_->topLevelItem(indice);
    fila->setText(0, nombreLector(p.numero, p.descripcion));
    fila->setIcon(0, icono(iconoEstado(p.estado)));
    fila->setText(1, QStringLiteral("%1 / %2").arg(p.hechas).arg(p.total));
    fila->setText(2, textoEstado(p.estado));
}

void F_Muestra_recep::empieza(bool recibiendo) {
    ani1_->setPixmap(icono(recibiendo ? Icono::Recibir : Icono::Enviar).pixmap(LADO, LADO));
    label1_->clear();
    p1_->setRange(0, 1);
    p1_->setValue(0);
    muestraLectores(true);
    setAnimacion(true);
    show();
}

void F_Muestra_recep::termina() {
    ani1_->setPixmap(icono(Icono::Enviar).pixmap(LADO, LADO));
    setAnimacion(false);
    muestraLectores(false);
    hide();
}

void F_Muestra_recep::muestraAvance(const std::vector<ops::ProgresoLector>& lectores, int indice,
                                    bool porLeidas) {
    if (indice < 0 || indice >= static_cast<int>(lectores.size()))
        return;
    muestraLector(lectores, indice);
    int total = 0;
    int hechas = 0;
    for (const ops::ProgresoLector& p : lectores) {
        const bool acabado = p.estado != ops::EstadoLector::Esperando &&
                             p.estado != ops::EstadoLector::Enviando &&
                             p.estado != ops::EstadoLector::Recibiendo;
        total += p.total;
        hechas += acabado ? p.total : std::min(porLeidas ? p.confirmadas : p.hechas, p.total);
    }
    p1_->setRange(0, std::max(total, 1));
    p1_->setValue(hechas);
    const ops::ProgresoLector& p = lectores.at(static_cast<std::size_t>(indice));
    if (!p.ultimo.isEmpty())
        label1_->setText(p.ultimo + QLatin1Char(' ') + p.descripcion);
}

bool F_Muestra_recep::animacion() const {
    return animacion_->isActive();
}

void F_Muestra_recep::avanza() {
    p1_->setValue(std::min(p1_->value() + 1, p1_->maximum()));
}

// The picture travels from left to right, as a copied file does.
void F_Muestra_recep::gira() {
    paso_ = (paso_ + 1) % PASOS;
    ani1_->setContentsMargins(paso_ * LADO / PASOS, 0, 0, 0);
}

} // namespace kestrum::ui
