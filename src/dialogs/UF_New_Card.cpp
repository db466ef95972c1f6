#include "UF_New_Card.h"

#include "Variables.h"
#include "avisos.h"
#include "consola.h"
#include "errores.h"
#include "formas.h"
#include "langtexts.h"
#include "operacion.h"
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

namespace {} // namespace

F_New_Card::F_New_Card(QWidget* parent)
    : QDialog(parent, Qt::Tool),
      caducidad_(QStringLiteral("xpGroupBox1"), QStringLiteral("Label3"), QStringLiteral("Label4"), this) {
    setObjectName(QStringLiteral("F_New_Card"));
    setWindowTitle(QStringLiteral("Nueva tarjeta"));
    setModal(false);

    tarjeta_ = campoNumerico(QStringLiteral("E_Tarjeta"), store::DORQTarjeta::LONGITUD_CODIGO, this);
    tarjeta_->installEventFilter(this);
    // New cards are stored without expiry: the group stays hidden and unticked.
    caducidad_.grupo()->setVisible(false);

    QPushButton* aceptar = disponVentanaTarjeta(this, tarjeta_, caducidad_);
    connect(aceptar, &QPushButton::clicked, this, [this] { protegido([this] { B_AceptarClick(); }); });
}

void F_New_Card::FormCreate() {
    applyLangTexts(this, QStringLiteral("F_New_Card"), textosVentanaTarjeta());
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
    Avisos::instance().publicaCambios();
    tarjeta_->clear();
    tarjeta_->setFocus();
}

void F_New_Card::done(int result) {
    const bool abierto = isVisible();
    QDialog::done(result);
    lector_.libera();
    if (abierto)
        protegido([] { ops::reanudaEventos(); });
}

} // namespace kestrum::ui
