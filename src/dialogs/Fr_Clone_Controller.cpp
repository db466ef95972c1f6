#include "Fr_Clone_Controller.h"

#include "F_Muestra_recepcion.h"
#include "acuses.h"
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

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QShowEvent>
#include <QVBoxLayout>

namespace kestrum::ui {

namespace {

const LangTable TEXTS = {
    lang::title(),
    lang::caption(QStringLiteral("Label2")),
    lang::caption(QStringLiteral("Label1")),
    lang::caption(QStringLiteral("xpGroupBox1")),
    lang::caption(QStringLiteral("B_cancel")),
    lang::caption(QStringLiteral("B_Clonar")),
};

store::DORQSistema* sistemaAbierto() {
    return Consola::instance().sistema.get();
}

void anadeDestino(QListWidget* lista, const store::DORQControlador& c) {
    auto* fila = new QListWidgetItem(QString::number(c.cod()) + QLatin1Char(' ') + c.descripcion(), lista);
    fila->setData(Qt::UserRole, c.cod());
    fila->setCheckState(Qt::Checked);
}

bool responde(link::DORQComunicador* comunicador, link::TTest_Informacion& info) {
    info = {};
    if (comunicador)
        comunicador->Testear(info);
    return info.Ok == 1;
}

} // namespace

F_Clone_Controller::F_Clone_Controller(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("F_Clone_Controller"));
    setWindowTitle(QStringLiteral("Clone Controller"));
    setModal(true);

    cb1_ = new QComboBox(this);
    cb1_->setObjectName(QStringLiteral("CB1"));
    auto* grupo = new QGroupBox(QStringLiteral("Users can access from:"), this);
    grupo->setObjectName(QStringLiteral("xpGroupBox1"));
    ch1_ = new QListWidget(grupo);
    ch1_->setObjectName(QStringLiteral("CH1"));
    auto* enGrupo = new QVBoxLayout(grupo);
    enGrupo->addWidget(ch1_);

    cancelar_ = new QPushButton(QStringLiteral("Cancelar"), this);
    cancelar_->setObjectName(QStringLiteral("B_cancel"));
    clonar_ = new QPushButton(QStringLiteral("Clonar"), this);
    clonar_->setObjectName(QStringLiteral("B_Clonar"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancelar_);
    buttons->addWidget(clonar_);

    auto* origen = new QHBoxLayout;
    origen->addWidget(etiqueta(QStringLiteral("Label1"), QStringLiteral("Controller:"), this));
    origen->addWidget(cb1_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(etiqueta(QStringLiteral("Label2"), QString(), this));
    layout->addLayout(origen);
    layout->addWidget(grupo);
    layout->addLayout(buttons);

    connect(cancelar_, &QPushButton::clicked, this, &QDialog::reject);
    connect(clonar_, &QPushButton::clicked, this, [this] { protegido([this] { B_ClonarClick(); }); });
    connect(cb1_, &QComboBox::currentIndexChanged, this, [this] { protegido([this] { CB1Change(); }); });
}

void F_Clone_Controller::FormCreate() {
    applyLangTexts(this, QStringLiteral("F_Clone_Controller"), TEXTS);
}

void F_Clone_Controller::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (preparaAlMostrar(this, event))
        preparaTrasMostrar(this, [this] { Prepara(); });
}

void F_Clone_Controller::Prepara() {
    clonar_->setEnabled(false);
    ch1_->clear();
    store::DORQSistema* sistema = sistemaAbierto();
    if (!sistema)
        return;
    const QString elegido = cb1_->currentText();
    const QSignalBlocker quieto(cb1_); // filling the chooser is not choosing a source
    store::DORQColeccionControlador* controladores = sistema->Controladores();
    for (int i = 0; i < controladores->Cuenta(); ++i) {
        const auto c = controladores->Controlador(i);
        if (c->descripcion() != elegido)
            anadeDestino(ch1_, *c);
        cb1_->addItem(c->descripcion(), c->cod());
    }
    cb1_->setCurrentIndex(cb1_->findText(elegido));
}

void F_Clone_Controller::CB1Change() {
    const QString elegido = cb1_->currentText();
    store::DORQSistema* sistema = sistemaAbierto();
    if (elegido.isEmpty() || !sistema)
        return;
    clonar_->setEnabled(true);
    ch1_->clear();
    store::DORQColeccionControlador* controladores = sistema->Controladores();
    for (int i = 0; i < controladores->Cuenta(); ++i) {
        const auto c = controladores->Controlador(i);
        if (c->descripcion() == elegido)
            continue;
        anadeDestino(ch1_, *c);
    }
}

F_Muestra_recep* F_Clone_Controller::progreso() const {
    return progreso_;
}

void F_Clone_Controller::B_ClonarClick() {
    if (cb1_->currentIndex() < 0 || ops::operacionEnCurso() || property(PREPARANDO).toBool())
        return;
    clonar_->setEnabled(false);
    cancelar_->setEnabled(false);
    ops::marcaOperacion(true);
    F_Muestra_recep* barra = progreso();
    const auto cierre = qScopeGuard([this, barra] {
        ops::marcaOperacion(false);
        clonar_->setEnabled(true);
        cancelar_->setEnabled(true);
        if (barra) {
            barra->setAnimacion(false);
            barra->hide();
        }
        reject();
    });
    const int origen = cb1_->currentData().toInt();
    // Copies: the rows are read before the link's waits let the list change.
    std::vector<int> destinos;
    for (int i = 0; i < ch1_->count(); ++i) {
        if (ch1_->item(i)->checkState() == Qt::Checked)
            destinos.push_back(ch1_->item(i)->data(Qt::UserRole).toInt());
    }
    EnviosSinAcuse sinAcuse;
    for (int destino : destinos)
        clona(origen, destino, barra, sinAcuse);
    sinAcuse.avisa();
}

// A target's rows go only once it acknowledged the erase: a silent one keeps its cards and rows.
void F_Clone_Controller::clona(int origen, int destino, F_Muestra_recep* barra, EnviosSinAcuse& sinAcuse) {
    store::DORQSistema* sistema = sistemaAbierto();
    if (!sistema)
        return;
    store::DORQColeccionControlador* controladores = sistema->Controladores();
    // Held for the whole copy: a reload meanwhile must not free them.
    const auto fuente = controladores->Busca_Controlador(origen);
    const auto objetivo = controladores->Busca_Controlador(destino);
    if (!fuente || !objetivo)
        return;
    if (barra) {
        barra->P1()->setValue(0);
        barra->Label1()->clear();
        barra->show();
    }
    link::TTest_Informacion infoFuente;
    if (!responde(fuente->Comunicador(), infoFuente))
        return;
    link::TTest_Informacion infoObjetivo;
    link::DORQComunicador* enlace = objetivo->Comunicador();
    if (!responde(enlace, infoObjetivo))
        return;
    switch (ops::Vacia_Controlador(*enlace)) {
    case ops::Desenlace::SinCambio:
        return;
    case ops::Desenlace::Desconocido:
        // It may have emptied: its rows stay, pending, for a later send to put the cards back.
        controladores->Marca_Asignaciones(*objetivo, false);
        return;
    case ops::Desenlace::Hecho:
        break;
    }
    controladores->Borra_Asignaciones(*objetivo);

    store::DORQColeccionTarjeta* tarjetas = sistema->Tarjetas();
    tarjetas->Carga();
    const store::TTarjetaLista suyas = fuente->Lista_Tarjetas();
    if (barra) {
        barra->setAnimacion(true);
        barra->P1()->setRange(0, infoFuente.Num_Tarjetas.toInt());
    }
    for (const store::TTarjetaAlmacenada& t : suyas) {
        const QString codigo = t.tarjeta->codigo_tarjeta();
        if (barra) {
            barra->Label1()->setText(QString::number(objetivo->cod()) + QLatin1Char(' ') +
                                     objetivo->descripcion() + QLatin1Char(' ') + codigo);
            barra->avanza();
        }
        const bool guardada = enlace->Enviar_Tarjeta_Lote(codigo, false);
        if (!guardada)
            sinAcuse.anota(objetivo->cod(), objetivo->descripcion(), codigo);
        tarjetas->Crea_Asignacion(*t.tarjeta, objetivo->cod(), guardada);
    }
}

} // namespace kestrum::ui
