#include "F_Pregunta_Eliminar.h"

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
    lang::caption(QStringLiteral("Button1")),
    lang::caption(QStringLiteral("Button2")),
};

} // namespace

F_Pregunta_Elimina::F_Pregunta_Elimina(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("F_Pregunta_Elimina"));
    setWindowTitle(QStringLiteral("Eliminar tarjeta"));
    setModal(true);

    auto* picture = new QLabel(this);
    picture->setPixmap(icono(Icono::AlarmaLector).pixmap(32, 32));
    picture->setAlignment(Qt::AlignTop);
    auto* label1 = new QLabel(QStringLiteral("Atención :"), this);
    label1->setObjectName(QStringLiteral("Label1"));
    QFont bold = label1->font();
    bold.setBold(true);
    label1->setFont(bold);
    auto* label2 =
        new QLabel(QStringLiteral("No se ha podido eliminar del lector. Si decide borrar tendrá que "
                                  "enviar la lista a los lectores"),
                   this);
    label2->setObjectName(QStringLiteral("Label2"));
    label2->setWordWrap(true);
    label2->setMinimumWidth(340);

    auto* cancelar = new QPushButton(QStringLiteral("Cancelar"), this);
    cancelar->setObjectName(QStringLiteral("Button1"));
    cancelar->setDefault(true);
    auto* aceptar = new QPushButton(QStringLiteral("Aceptar"), this);
    aceptar->setObjectName(QStringLiteral("Button2"));

    auto* texts = new QGridLayout;
    texts->addWidget(picture, 0, 0, 2, 1);
    texts->addWidget(label1, 0, 1);
    texts->addWidget(label2, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancelar);
    buttons->addWidget(aceptar);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(texts);
    layout->addLayout(buttons);

    connect(aceptar, &QPushButton::clicked, this, [this] {
        tag_ = 1;
        accept();
    });
    connect(cancelar, &QPushButton::clicked, this, [this] {
        tag_ = 0;
        reject();
    });
}

void F_Pregunta_Elimina::FormCreate() {
    applyLangTexts(this, QStringLiteral("F_Pregunta_Elimina"), TEXTS);
}

} // namespace kestrum::ui
