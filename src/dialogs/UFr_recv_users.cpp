#include "UFr_recv_users.h"

#include "F_Muestra_recepcion.h"
#include "acuses.h"
#include "avisos.h"
#include "consola.h"
#include "errores.h"
#include "formas.h"
#include "iconos.h"
#include "langtexts.h"
#include "operacion.h"
#include "transferencias.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kestrum::ui {

namespace {

const LangTable TEXTS = {
    lang::title(),
    lang::caption(QStringLiteral("Label1")),
    lang::column(QStringLiteral("L1_Contr"), 0),
    lang::column(QStringLiteral("L1_Contr"), 1),
    lang::column(QStringLiteral("L1_Contr"), 2),
    lang::column(QStringLiteral("L1_Contr"), 3),
    lang::caption(QStringLiteral("SpeedButton10")),
    lang::caption(QStringLiteral("SpeedButton8")),
};

constexpr int COLUMNA_PUEDE = 3;

void avisaRecepcion(const ops::RecepcionTotal& recepcion) {
    int leidas = 0;
    int lectores = 0;
    QStringList incompletos;
    bool cancelado = false;
    for (const ops::ProgresoLector& p : recepcion.lectores()) {
        if (p.estado == ops::EstadoLector::NoContesta || p.estado == ops::EstadoLector::NoPuedeRecibir)
            continue;
        ++lectores;
        leidas += p.confirmadas;
        cancelado = cancelado || p.estado == ops::EstadoLector::Cancelado;
        if (p.confirmadas < p.total)
            incompletos << nombreLector(p.numero, p.descripcion);
    }
    const QStringList cuentas{
        cuenta(leidas, QStringLiteral("KS_Dlg_One_card"), QStringLiteral("KS_Dlg_N_cards")),
        cuenta(lectores, QStringLiteral("KS_Dlg_One_reader"), QStringLiteral("KS_Dlg_N_readers"))};
    if (incompletos.isEmpty())
        return Avisa(QStringLiteral("KS_Dlg_Receive_done"), cuentas);
    Avisa(cancelado ? QStringLiteral("KS_Dlg_Receive_cancelled")
                    : QStringLiteral("KS_Dlg_Receive_incomplete"),
          cuentas + QStringList{incompletos.join(QStringLiteral(", "))});
}

} // namespace

F_recv_users::F_recv_users(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("f_recv_users"));
    setWindowTitle(QStringLiteral("Receive cards"));
    setModal(true);
    label1_ = etiqueta(QStringLiteral("Label1"), QStringLiteral("Do you want to receive the cards?"), this);
    l1Contr_ = new QTreeWidget(this);
    l1Contr_->setObjectName(QStringLiteral("L1_Contr"));
    l1Contr_->setRootIsDecorated(false);
    l1Contr_->setHeaderLabels({QStringLiteral("Lector"), QStringLiteral("Descripción"), QStringLiteral("COM"),
                               QStringLiteral("Puede recibir")});
    l1Contr_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    l1Contr_->setMinimumSize(440, 180);
    cancelar_ = botonDialogo(QStringLiteral("SpeedButton8"), QStringLiteral("Cancel"), this);
    recibir_ = botonDialogo(QStringLiteral("SpeedButton10"), QStringLiteral("Receive"), this);
    recibir_->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label1_);
    layout->addWidget(l1Contr_, 1);
    layout->addLayout(filaBotones({cancelar_, recibir_}));
    connect(recibir_, &QPushButton::clicked, this, [this] { protegido([this] { SpeedButton10Click(); }); });
    connect(cancelar_, &QPushButton::clicked, this, [this] { SpeedButton8Click(); });
}

F_recv_users::~F_recv_users() = default;

void F_recv_users::FormCreate() {
    applyLangTexts(this, QStringLiteral("f_recv_users"), TEXTS);
}

void F_recv_users::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (preparaAlMostrar(this, event))
        preparaTrasMostrar(this, [this] { Prepara(); });
}

void F_recv_users::Prepara() {
    l1Contr_->clear();
    recibir_->setEnabled(false);
    recepcion_.reset();
    store::DORQSistema* sistema = Consola::instance().sistema.get();
    if (!sistema || ops::operacionEnCurso())
        return;
    const ops::GuardaOperacion operacion;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto cursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    auto recepcion = std::make_unique<ops::RecepcionTotal>(*sistema);
    for (const ops::RecepcionTotal::Preparado& p : recepcion->prepara()) {
        auto* fila =
            new QTreeWidgetItem(l1Contr_, {QString::number(p.numero), p.descripcion, p.puerto, QString()});
        fila->setIcon(0, icono(p.puedeRecibir ? Icono::ControladorOk : Icono::ControladorSinRespuesta));
        fila->setIcon(COLUMNA_PUEDE, icono(p.puedeRecibir ? Icono::Recibir : Icono::AccesoDenegado));
        fila->setData(COLUMNA_PUEDE, Qt::UserRole, p.puedeRecibir);
        if (p.puedeRecibir)
            recibir_->setEnabled(true);
    }
    recepcion_ = std::move(recepcion);
}

void F_recv_users::SpeedButton10Click() {
    if (!recepcion_ || leyendo_ || !progreso_)
        return;
    if (ops::operacionEnCurso()) {
        QApplication::beep();
        return;
    }
    recibir_->setEnabled(false);
    cancelar_->setEnabled(false);
    leyendo_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto fin = qScopeGuard([this] {
        leyendo_ = false;
        recibir_->setEnabled(true);
        cancelar_->setEnabled(true);
        QApplication::restoreOverrideCursor();
        hide();
    });
    const ops::GuardaOperacion operacion;
    const ops::SuspensionEventos suspension;
    const auto avance = progreso_->sigue(*recepcion_, true);
    recepcion_->ejecuta();
    avisaRecepcion(*recepcion_);
    accept();
}

void F_recv_users::SpeedButton8Click() {
    reject();
}

void F_recv_users::reject() {
    // While reading, the progress window's cancel stops it; the dialog closes when it ended.
    if (leyendo_)
        return;
    QDialog::reject();
}

} // namespace kestrum::ui
