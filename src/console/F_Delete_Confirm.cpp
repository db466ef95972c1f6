#include "F_Delete_Confirm.h"

#include "iconos.h"
#include "langtexts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrum::ui {

namespace {

const LangTable TEXTS = {
    lang::title(),
    lang::caption(QStringLiteral("B_Yes")),
    lang::caption(QStringLiteral("B_Cancelar")),
};

} // namespace

F_Delete_Conf::F_Delete_Conf(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("F_Delete_Conf"));
    setWindowTitle(QStringLiteral("Confirmación"));
    setModal(true);

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setPixmap(icono(Icono::Borrar).pixmap(32, 32));
    picture->setAlignment(Qt::AlignTop);
    label1_ = new QLabel(this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setWordWrap(true);
    label1_->setMinimumWidth(320);

    auto* yes = new QPushButton(QStringLiteral("Aceptar"), this);
    yes->setObjectName(QStringLiteral("B_Yes"));
    auto* cancel = new QPushButton(QStringLiteral("Cancelar"), this);
    cancel->setObjectName(QStringLiteral("B_Cancelar"));
    // Nothing is deleted by a stray Enter.
    cancel->setDefault(true);

    auto* question = new QHBoxLayout;
    question->addWidget(picture);
    question->addWidget(label1_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(yes);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(question);
    layout->addLayout(buttons);

    connect(yes, &QPushButton::clicked, this, [this] {
        tag_ = 1;
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, [this] {
        tag_ = 0;
        reject();
    });
}

void F_Delete_Conf::FormCreate() {
    applyLangTexts(this, QStringLiteral("F_Delete_Conf"), TEXTS);
}

} // namespace kestrum::ui
