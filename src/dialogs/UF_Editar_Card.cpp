#include "UF_Editar_Card.h"

#include "UF_Main.h"
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

std::shared_ptr<store::DORQTarjeta> tarjetaDe(const QString& codigo) {
    store::DORQSistema* sistema = Consola::instance().sistema.get();
    return sistema ? sistema->Tarjetas()->Busca_Tarjeta(codigo) : nullptr;
}

} // namespace

F_Editar_Card::F_Editar_Card(F_Main* main)
    : QDialog(main, Qt::Tool), main_(main),
      caducidad_(QStringLiteral("xpGroupBox1"), QStringLiteral("Label3"), QStringLiteral("Label4"),
                 QStringLiteral("Se liberará la tarjeta cuando alcance su fecha de caducidad."), this) {
    setObjectName(QStringLiteral("F_Editar_Card"));
    setWindowTitle(QStringLiteral("Editar tarjeta"));
    setModal(false);

    codigo_ = etiqueta(QStringLiteral("L_CODE_CARD"), QString(), this);
    auto* aceptar = botonDialogo(QStringLiteral("B_Aceptar"), QStringLiteral("Aceptar"), this);
    auto* cancelar = botonDialogo(QStringLiteral("B_Cancel"), QStringLiteral("Cancelar"), this);

    auto* grid = new QGridLayout;
    grid->addWidget(etiqueta(QStringLiteral("Label1"), QStringLiteral("Código de tarjeta"), this), 0, 0);
    grid->addWidget(codigo_, 0, 1);
    auto* aviso = etiqueta(QStringLiteral("Label2"), QString(), this);
    aviso->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(aviso);
    layout->addLayout(grid);
    layout->addWidget(caducidad_.grupo());
    layout->addLayout(filaBotones({cancelar, aceptar}));

    connect(aceptar, &QPushButton::clicked, this, [this] { protegido([this] { B_AceptarClick(); }); });
    connect(cancelar, &QPushButton::clicked, this, &QDialog::reject);
}

void F_Editar_Card::FormCreate() {
    applyLangTexts(this, QStringLiteral("F_Editar_Card"), TEXTS);
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
    }
    accept();
}

void F_Editar_Card::done(int result) {
    QDialog::done(result);
    if (main_)
        protegido([this] { main_->Reanuda_Eventos(); });
}

} // namespace kestrum::ui
