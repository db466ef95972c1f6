#include "UF_Pregunta_elimina_tarj.h"

#include "iconos.h"
#include "langtexts.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrum::ui {

namespace {

const LangTable TEXTS = {
    lang::title(),
    lang::caption(QStringLiteral("Label1")),
    lang::caption(QStringLiteral("Label2")),
    lang::caption(QStringLiteral("Label3")),
    lang::caption(QStringLiteral("Label4")),
    lang::caption(QStringLiteral("Label5")),
    lang::caption(QStringLiteral("Button1")),
    lang::caption(QStringLiteral("Button2")),
};

} // namespace

F_Pregunta_elimina_tarj::F_Pregunta_elimina_tarj(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("F_Pregunta_elimina_tarj"));
    setWindowTitle(QStringLiteral("Eliminar usuario"));
    setModal(true);

    auto* picture = new QLabel(this);
    picture->setPixmap(icono(Icono::AlarmaLector).pixmap(32, 32));
    picture->setAlignment(Qt::AlignTop);
    auto* texts = new QGridLayout;
    texts->addWidget(picture, 0, 0, 5, 1);
    const char* const lines[] = {
        "Atención :",
        "No se ha podido eliminar la tarjeta en algún controlador.",
        "¿Desea eliminar el usuario de la base de datos? ",
        "Esta situacion puede provocar que existan tarjetas libres pero que están en algún lector.",
        "Si acepta deberá volcar la lista completa al sistema.",
    };
    for (int i = 0; i < 5; ++i) {
        auto* label = new QLabel(QString::fromUtf8(lines[i]), this);
        label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        label->setWordWrap(true);
        if (i == 0) {
            QFont bold = label->font();
            bold.setBold(true);
            label->setFont(bold);
        }
        texts->addWidget(label, i, 1);
    }
    texts->setColumnMinimumWidth(1, 380);

    auto* cancelar = new QPushButton(QStringLiteral("Cancelar"), this);
    cancelar->setObjectName(QStringLiteral("Button1"));
    cancelar->setDefault(true);
    auto* aceptar = new QPushButton(QStringLiteral("Aceptar"), this);
    aceptar->setObjectName(QStringLiteral("Button2"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancelar);
    buttons->addWidget(aceptar);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(texts);
    layout->addLayout(buttons);

    connect(aceptar, &QPushButton::clicked, this, [this] {
        tag_ = ACEPTADO;
        accept();
    });
    connect(cancelar, &QPushButton::clicked, this, &QDialog::reject);
}

void F_Pregunta_elimina_tarj::FormCreate() {
    applyLangTexts(this, QStringLiteral("F_Pregunta_elimina_tarj"), TEXTS);
}

} // namespace kestrum::ui
