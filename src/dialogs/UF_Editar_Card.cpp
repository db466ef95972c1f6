#include "UF_Editar_Card.h"

#include "avisos.h"
#include "consola.h"
#include "errores.h"
#include "formas.h"
#include "langtexts.h"
#include "udorqcolecciontarjeta.h"
#include "udorqsistema.h"
#include "udorqtarjeta.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QShowEvent>
#include <QVBoxLayout>

namespace kestrum::ui {

namespace {

std::shared_ptr<store::DORQTarjeta> tarjetaDe(const QString& codigo) {
    store::DORQSistema* sistema = Consola::instance().sistema.get();
    return sistema ? sistema->Tarjetas()->Busca_Tarjeta(codigo) : nullptr;
}

} // namespace

F_Editar_Card::F_Editar_Card(QWidget* parent)
    : QDialog(parent, Qt::Tool),
      caducidad_(QStringLiteral("xpGroupBox1"), QStringLiteral("Label3"), QStringLiteral("Label4"), this) {
    setObjectName(QStringLiteral("F_Editar_Card"));
    setWindowTitle(QStringLiteral("Editar tarjeta"));
    setModal(false);

    codigo_ = etiqueta(QStringLiteral("L_CODE_CARD"), QString(), this);
    QPushButton* aceptar = disponVentanaTarjeta(this, codigo_, caducidad_);
    connect(aceptar, &QPushButton::clicked, this, [this] { protegido([this] { B_AceptarClick(); }); });
}

void F_Editar_Card::FormCreate() {
    applyLangTexts(this, QStringLiteral("F_Editar_Card"), textosVentanaTarjeta());
}

void F_Editar_Card::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (preparaAlMostrar(this, event))
        protegido([this] { Prepara(); });
}

void F_Editar_Card::Prepara() {
    if (const auto t = tarjetaDe(codigo_->text()))
        caducidad_.ponCaducidad(t->fecha_caducidad());
    caducidad_.Muestra_Habilita_caducidad();
}

void F_Editar_Card::B_AceptarClick() {
    // Fecha_alta and the holder are written back as they are.
    if (const auto t = tarjetaDe(codigo_->text())) {
        t->setFecha_caducidad(caducidad_.caducidad());
        t->setUsar_fecha_cad(caducidad_.usar());
        Consola::instance().sistema->Tarjetas()->Modifica_Tarjeta(*t);
        Avisos::instance().publicaCambios();
    }
    accept();
}

} // namespace kestrum::ui
