#include "UF_Presencia_Estancia.h"

#include "formas.h"
#include "langtexts.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrum::ui {

namespace {

const LangTable TEXTS = {
    lang::caption(QStringLiteral("L_Estancia"))
        .withWholeKey(QStringLiteral("F_Presencia_estancia_L_Estancia_Caption")),
    lang::caption(QStringLiteral("B_Cancel")).withWholeKey(QStringLiteral("F_Lector_ES_Cancelar1_Caption")),
    lang::caption(QStringLiteral("B_Aceptar"))
        .withWholeKey(QStringLiteral("F_Parametros_app_B_Aceptar_Caption")),
};

QLabel* negrita(const QString& name, QWidget* parent) {
    QLabel* l = etiqueta(name, QString(), parent);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

} // namespace

F_Presencia_Estancia::F_Presencia_Estancia(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("F_Presencia_Estancia"));
    setModal(true);
    usuario_ = negrita(QStringLiteral("L_Usuario"), this);
    fecha_ = negrita(QStringLiteral("L_Fecha"), this);
    edit1_ = campo(QStringLiteral("Edit1"), this);
    auto* aceptar = botonDialogo(QStringLiteral("B_Aceptar"), QStringLiteral("Aceptar"), this);
    auto* cancelar = botonDialogo(QStringLiteral("B_Cancel"), QStringLiteral("Cancelar"), this);
    aceptar->setDefault(true); // Enter in the field accepts

    auto* form = new QFormLayout;
    form->addRow(etiqueta(QStringLiteral("L_Estancia"), QStringLiteral("Estancia (h:m:s):"), this), edit1_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(usuario_);
    layout->addWidget(fecha_);
    layout->addLayout(form);
    layout->addLayout(filaBotones({cancelar, aceptar}));
    setMinimumWidth(320);

    connect(aceptar, &QPushButton::clicked, this, [this] {
        tag_ = 25;
        accept();
    });
    connect(cancelar, &QPushButton::clicked, this, [this] {
        tag_ = 0;
        reject();
    });
}

void F_Presencia_Estancia::FormCreate() {
    applyLangTexts(this, QStringLiteral("F_Presencia_Estancia"), TEXTS);
}

} // namespace kestrum::ui
