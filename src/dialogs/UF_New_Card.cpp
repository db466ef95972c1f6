#include "UF_New_Card.h"

#include "UF_Main.h"
#include "Variables.h"
#include "consola.h"
#include "errores.h"
#include "formas.h"
#include "langtexts.h"
#include "udorqcolecciontarjeta.h"
#include "udorqsistema.h"
#include "udorqtarjeta.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
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
    lang::caption(QStringLiteral("CH_Usar_Caducidad")),
    lang::caption(QStringLiteral("Label4")),
    lang::caption(QStringLiteral("Label3")),
    lang::caption(QStringLiteral("B_Cancel")),
    lang::caption(QStringLiteral("B_Aceptar")),
};

} // namespace

F_New_Card::F_New_Card(F_Main* main)
    : QDialog(main, Qt::Tool), main_(main),
      caducidad_(QStringLiteral("xpGroupBox1"), QStringLiteral("Label3"), QStringLiteral("Label4"),
                 QStringLiteral("Se liberará la tarjeta cuando alcance su fecha de caducidad."), this) {
    setObjectName(QStringLiteral("F_New_Card"));
    setWindowTitle(QStringLiteral("Nueva tarjeta"));
    setModal(false);

    tarjeta_ = campoNumerico(QStringLiteral("E_Tarjeta"), store::DORQTarjeta::LONGITUD_CODIGO, this);
    tarjeta_->installEventFilter(this);
    // New cards are stored without expiry: the group stays hidden and unticked.
    caducidad_.grupo()->setVisible(false);

    auto* aceptar = botonDialogo(QStringLiteral("B_Aceptar"), QStringLiteral("Aceptar"), this);
    auto* cancelar = botonDialogo(QStringLiteral("B_Cancel"), QStringLiteral("Cancelar"), this);
    aceptar->setAutoDefault(false);
    cancelar->setAutoDefault(false);

    auto* grid = new QGridLayout;
    grid->addWidget(etiqueta(QStringLiteral("Label1"), QStringLiteral("Código de tarjeta"), this), 0, 0);
    grid->addWidget(tarjeta_, 0, 1);
    auto* layout = new QVBoxLayout(this);
    auto* aviso = etiqueta(QStringLiteral("Label2"), QString(), this);
    aviso->setWordWrap(true);
    layout->addWidget(aviso);
    layout->addLayout(grid);
    layout->addWidget(caducidad_.grupo());
    layout->addLayout(filaBotones({cancelar, aceptar}));

    connect(aceptar, &QPushButton::clicked, this, [this] { protegido([this] { B_AceptarClick(); }); });
    connect(cancelar, &QPushButton::clicked, this, &QDialog::reject);
}

void F_New_Card::FormCreate() {
    applyLangTexts(this, QStringLiteral("F_New_Card"), TEXTS);
}

void F_New_Card::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (preparaAlMostrar(this, event))
        protegido([this] { Prepara(); });
}

void F_New_Card::Prepara() {
    tarjeta_->clear();
    tarjeta_->setFocus();
    caducidad_.ponCaducidad(QDateTime::currentDateTime());
    caducidad_.Muestra_Habilita_caducidad();
    // The desktop reader serves this window whether or not it is in use for the holder editors.
    lector_.enruta(config::Variables::instance().desktopReaderNumber,
                   [this](const link::TEventoInformacion& info) { Recibida_Lectura(info); });
}

bool F_New_Card::eventFilter(QObject* watched, QEvent* event) {
    if (watched != tarjeta_ || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        protegido([this] { B_AceptarClick(); });
        return true;
    }
    return false;
}

void F_New_Card::Recibida_Lectura(const link::TEventoInformacion& info) {
    tarjeta_->setText(info.Tarjeta_Hex);
}

void F_New_Card::B_AceptarClick() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto cursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    store::DORQSistema* sistema = Consola::instance().sistema.get();
    if (tarjeta_->text().isEmpty() || !sistema)
        return;
    const QString codigo = store::DORQTarjeta::Rellena_Codigo(tarjeta_->text());
    tarjeta_->setText(codigo);
    store::DORQColeccionTarjeta& tarjetas = *sistema->Tarjetas();
    if (tarjetas.Existe_Tarjeta(codigo))
        return;
    store::DORQTarjeta nueva;
    nueva.setCodigo_tarjeta(codigo);
    nueva.setFecha_alta(QDateTime::currentDateTime());
    nueva.setFecha_caducidad(caducidad_.caducidad());
    nueva.setUsar_fecha_cad(caducidad_.usar());
    tarjetas.Crea_Tarjeta(nueva);
    tarjeta_->clear();
    tarjeta_->setFocus();
}

void F_New_Card::done(int result) {
    QDialog::done(result);
    lector_.libera();
    if (main_)
        protegido([this] { main_->Reanuda_Eventos(); });
}

} // namespace kestrum::ui
