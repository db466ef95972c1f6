#include "UF_Auditoria.h"

#include "F_Muestra_recepcion.h"
#include "acuses.h"
#include "avisos.h"
#include "consola.h"
#include "errores.h"
#include "formas.h"
#include "iconos.h"
#include "langtexts.h"
#include "operacion.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace kestrum::ui {

namespace {

const LangTable TEXTS = {
    lang::title().withWholeKey(QStringLiteral("KS_F_Auditoria_Caption")),
    lang::column(QStringLiteral("L_Diferencias"), 0).withWholeKey(QStringLiteral("KS_Dlg_Progress_reader")),
    lang::column(QStringLiteral("L_Diferencias"), 1).withWholeKey(QStringLiteral("KS_F_Auditoria_Card")),
    lang::column(QStringLiteral("L_Diferencias"), 2).withWholeKey(QStringLiteral("KS_F_Auditoria_Holder")),
    lang::column(QStringLiteral("L_Diferencias"), 3).withWholeKey(QStringLiteral("KS_F_Auditoria_Problem")),
    lang::caption(QStringLiteral("B_Corregir")).withWholeKey(QStringLiteral("KS_F_Auditoria_Fix")),
    lang::caption(QStringLiteral("B_Cerrar")).withWholeKey(QStringLiteral("KS_F_Auditoria_Close")),
};

QString problema(ops::Problema p) {
    switch (p) {
    case ops::Problema::Desconocida:
        return textoAviso(QStringLiteral("KS_Audit_unknown"));
    case ops::Problema::Falta:
        return textoAviso(QStringLiteral("KS_Audit_missing"));
    case ops::Problema::PendientePresente:
        return textoAviso(QStringLiteral("KS_Audit_pending_present"));
    }
    return {};
}

// A reader's own row: whether it agrees, how many differences, or why it was not compared.
QString estado(const ops::AuditoriaLector& l) {
    if (l.coincide())
        return textoAviso(QStringLiteral("KS_Audit_agrees"));
    if (l.comparado())
        return cuenta(static_cast<int>(l.diferencias.size()), QStringLiteral("KS_Audit_One_difference"),
                      QStringLiteral("KS_Audit_N_differences"));
    switch (l.estado) {
    case ops::EstadoLector::NoContesta:
        return textoAviso(QStringLiteral("KS_Dlg_State_not_answering"));
    case ops::EstadoLector::Cancelado:
        return textoAviso(QStringLiteral("KS_Dlg_State_cancelled"));
    default:
        return textoAviso(QStringLiteral("KS_Audit_not_read"),
                          {QString::number(l.leidas), QString::number(l.total)});
    }
}

} // namespace

F_Auditoria::F_Auditoria(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("F_Auditoria"));
    setWindowTitle(QStringLiteral("Audit of the readers"));
    setModal(true);
    label1_ = etiqueta(QStringLiteral("Label1"), QString(), this);
    lista_ = new QTreeWidget(this);
    lista_->setObjectName(QStringLiteral("L_Diferencias"));
    lista_->setHeaderLabels({QStringLiteral("Reader"), QStringLiteral("Card"), QStringLiteral("Holder"),
                             QStringLiteral("Problem")});
    lista_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    lista_->setMinimumSize(560, 260);
    cerrar_ = botonDialogo(QStringLiteral("B_Cerrar"), QStringLiteral("Close"), this);
    corregir_ = botonDialogo(QStringLiteral("B_Corregir"), QStringLiteral("Fix"), this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label1_);
    layout->addWidget(lista_, 1);
    layout->addLayout(filaBotones({cerrar_, corregir_}));
    connect(corregir_, &QPushButton::clicked, this, [this] { protegido([this] { B_CorregirClick(); }); });
    connect(cerrar_, &QPushButton::clicked, this, &QDialog::accept);
}

F_Auditoria::~F_Auditoria() = default;

void F_Auditoria::FormCreate() {
    applyLangTexts(this, QStringLiteral("F_Auditoria"), TEXTS);
}

// The guard and the event suspension around the work, and the progress window following it.
template <class Trabajo> bool F_Auditoria::trabaja(Trabajo&& trabajo) {
    store::DORQSistema* sistema = Consola::instance().sistema.get();
    if (!sistema || !progreso_ || ops::operacionEnCurso())
        return false;
    if (!auditoria_)
        auditoria_ = std::make_unique<ops::Auditoria>(*sistema);
    const ops::GuardaOperacion operacion;
    const ops::SuspensionEventos suspension;
    corregir_->setEnabled(false);
    cerrar_->setEnabled(false);
    const auto fin = qScopeGuard([this] {
        cerrar_->setEnabled(true);
        muestra();
    });
    const auto avance = progreso_->sigue(*auditoria_, true);
    trabajo(*auditoria_);
    return true;
}

bool F_Auditoria::Audita(const QList<int>& numeros) {
    // A new audit for the installation open now.
    auditoria_.reset();
    resultado_.clear();
    return trabaja([this, &numeros](ops::Auditoria& a) { resultado_ = a.ejecuta(numeros); });
}

void F_Auditoria::B_CorregirClick() {
    int desconocidas = 0;
    for (const auto& l : resultado_) {
        desconocidas +=
            static_cast<int>(std::count_if(l.diferencias.begin(), l.diferencias.end(), [](const auto& d) {
                return d.problema == ops::Problema::Desconocida;
            }));
    }
    if (QMessageBox::question(
            this, windowTitle(),
            textoAviso(QStringLiteral("KS_Audit_fix_question"), {QString::number(desconocidas)}),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    const auto antes = resultado_;
    trabaja([this, &antes](ops::Auditoria& a) { resultado_ = a.corrige(antes); });
}

void F_Auditoria::muestra() {
    lista_->clear();
    int coinciden = 0;
    int difieren = 0;
    int sinLeer = 0;
    for (const ops::AuditoriaLector& l : resultado_) {
        auto* lector = new QTreeWidgetItem(
            lista_, {nombreLector(l.numero, l.descripcion), QString(), QString(), estado(l)});
        lector->setIcon(0, icono(l.comparado() ? Icono::ControladorOk : Icono::ControladorSinRespuesta));
        if (l.coincide())
            ++coinciden;
        else if (l.comparado())
            ++difieren;
        else
            ++sinLeer;
        for (const ops::Diferencia& d : l.diferencias)
            new QTreeWidgetItem(lector,
                                {QString::number(l.numero), d.codigo, d.titular, problema(d.problema)});
    }
    lista_->expandAll();
    corregir_->setEnabled(difieren > 0);
    const QStringList cuentas{QString::number(coinciden), QString::number(difieren),
                              QString::number(sinLeer)};
    label1_->setText(textoAviso(QStringLiteral("KS_Audit_done"), cuentas));
    Avisa(QStringLiteral("KS_Audit_done"), cuentas);
}

} // namespace kestrum::ui
