#include "FR_Error_insert.h"

#include "acuses.h"
#include "avisos.h"
#include "consola.h"
#include "distribucion.h"
#include "errores.h"
#include "formas.h"
#include "langtexts.h"
#include "operacion.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcolecciontarjeta.h"
#include "udorqcontrolador.h"
#include "udorqsistema.h"
#include "udorqtarjeta.h"

#include <QApplication>
#include <QGridLayout>
#include <QListWidget>
#include <QScopeGuard>
#include <QShowEvent>
#include <QVBoxLayout>

namespace kestrum::ui {

namespace {

const LangTable TEXTS = {
    lang::title(),
    lang::caption(QStringLiteral("Label1")),
    lang::caption(QStringLiteral("Label2")),
    lang::caption(QStringLiteral("Label7")),
    lang::caption(QStringLiteral("Label4")),
    lang::caption(QStringLiteral("Label3")),
    lang::caption(QStringLiteral("Label5")),
    lang::caption(QStringLiteral("Label6")),
    lang::caption(QStringLiteral("B_Yes")),
    lang::caption(QStringLiteral("B_No")),
};

QListWidget* listaMarcas(const QString& name, QWidget* parent) {
    auto* l = new QListWidget(parent);
    l->setObjectName(name);
    l->setSelectionMode(QAbstractItemView::NoSelection);
    return l;
}

void anyade(QListWidget* lista, const store::DORQControlador& c, bool marcado) {
    auto* item = new QListWidgetItem(QString::number(c.cod()) + QLatin1Char(' ') + c.descripcion(), lista);
    item->setData(Qt::UserRole, c.cod());
    // Enabled only: the checks show the situation, the operator does not set them.
    item->setFlags(Qt::ItemIsEnabled);
    item->setCheckState(marcado ? Qt::Checked : Qt::Unchecked);
}

} // namespace

F_Error_insert::F_Error_insert(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("F_Error_insert"));
    setWindowTitle(QStringLiteral("Bad insert"));
    setModal(true);

    codigo_ = etiqueta(QStringLiteral("Label3"), QString(), this);
    QFont negrita = codigo_->font();
    negrita.setBold(true);
    codigo_->setFont(negrita);
    actual_ = listaMarcas(QStringLiteral("CH1"), this);
    correcta_ = listaMarcas(QStringLiteral("CH2"), this);
    auto* reintentar = botonDialogo(QStringLiteral("B_Yes"), QStringLiteral("Reintentar"), this);
    auto* cancelar = botonDialogo(QStringLiteral("B_No"), QStringLiteral("Cancelar"), this);

    auto* tarjeta = new QHBoxLayout;
    tarjeta->addWidget(etiqueta(QStringLiteral("Label4"), QStringLiteral("Card:"), this));
    tarjeta->addWidget(codigo_);
    tarjeta->addStretch();
    auto* listas = new QGridLayout;
    listas->addWidget(etiqueta(QStringLiteral("Label5"), QStringLiteral("Current Situation"), this), 0, 0);
    listas->addWidget(etiqueta(QStringLiteral("Label6"), QStringLiteral("Right situation"), this), 0, 1);
    listas->addWidget(actual_, 1, 0);
    listas->addWidget(correcta_, 1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(etiqueta(QStringLiteral("Label1"), QString(), this));
    layout->addWidget(etiqueta(QStringLiteral("Label2"), QString(), this));
    layout->addWidget(etiqueta(QStringLiteral("Label7"), QString(), this));
    layout->addLayout(tarjeta);
    layout->addLayout(listas, 1);
    layout->addLayout(filaBotones({cancelar, reintentar}));

    connect(reintentar, &QPushButton::clicked, this, [this] { protegido([this] { B_YesClick(); }); });
    connect(cancelar, &QPushButton::clicked, this, &QDialog::reject);
}

void F_Error_insert::FormCreate() {
    applyLangTexts(this, QStringLiteral("F_Error_insert"), TEXTS);
}

void F_Error_insert::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (preparaAlMostrar(this, event))
        protegido([this] { Prepara(); });
}

void F_Error_insert::Prepara() {
    actual_->clear();
    correcta_->clear();
    store::DORQSistema* sistema = Consola::instance().sistema.get();
    if (!sistema)
        return;
    store::DORQColeccionTarjeta& tarjetas = *sistema->Tarjetas();
    tarjetas.Carga();
    const auto tarjeta = tarjetas.Busca_Tarjeta(codigo_->text());
    const store::DORQColeccionControlador& controladores = *sistema->Controladores();
    for (int i = 0; i < controladores.Cuenta(); ++i) {
        const auto c = controladores.Controlador(i);
        bool asignada = false;
        bool almacenada = false;
        for (const store::TAsignacion& a :
             tarjeta ? tarjeta->Asignaciones() : std::vector<store::TAsignacion>{}) {
            if (a.controlador != c->cod())
                continue;
            asignada = true;
            almacenada = a.almacenada;
        }
        anyade(actual_, *c, almacenada);
        anyade(correcta_, *c, asignada);
    }
}

void F_Error_insert::B_YesClick() {
    store::DORQSistema* sistema = Consola::instance().sistema.get();
    if (!sistema)
        return;
    // Another controller operation holds the links: retry again once it ended.
    if (ops::operacionEnCurso()) {
        QApplication::beep();
        return;
    }
    const auto tarjeta = sistema->Tarjetas()->Busca_Tarjeta(codigo_->text());
    if (!tarjeta)
        return;
    const ops::GuardaOperacion operacion;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto cursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    if (ops::Reintenta_Pendientes(*sistema->Tarjetas(), *tarjeta)) {
        accept();
        return;
    }
    avisaPendientes(*sistema, codigo_->text());
}

void F_Error_insert::avisaPendientes(store::DORQSistema& sistema, const QString& codigo) {
    store::DORQColeccionTarjeta& tarjetas = *sistema.Tarjetas();
    tarjetas.Carga();
    const auto tarjeta = tarjetas.Busca_Tarjeta(codigo);
    if (!tarjeta)
        return;
    QStringList lectores;
    for (const store::TAsignacion& a : tarjeta->Asignaciones()) {
        if (a.almacenada)
            continue;
        // A reader deleted since is not retried: its row is not named either.
        if (const auto c = sistema.Controladores()->Busca_Controlador(a.controlador))
            lectores << nombreLector(a.controlador, c->descripcion());
    }
    Avisa(QStringLiteral("KS_Dlg_Retry_pending"),
          {codigo,
           cuenta(lectores.size(), QStringLiteral("KS_Dlg_One_reader"), QStringLiteral("KS_Dlg_N_readers")),
           lectores.join(QStringLiteral(", "))});
}

} // namespace kestrum::ui
