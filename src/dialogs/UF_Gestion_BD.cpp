#include "UF_Gestion_BD.h"

#include "formas.h"
#include "langtexts.h"
#include "limites.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrum::ui {

namespace {

const LangTable TEXTS = {
    lang::title(),
    lang::caption(QStringLiteral("Label1")),
    lang::caption(QStringLiteral("xpGroupBox2")),
    lang::caption(QStringLiteral("Label2")),
    lang::caption(QStringLiteral("Label3")),
    lang::caption(QStringLiteral("B_Eliminar")),
    lang::caption(QStringLiteral("B_Nueva")),
    lang::caption(QStringLiteral("xpGroupBox1")),
    lang::caption(QStringLiteral("B_export")).withKey(QStringLiteral("BitBtn1_Caption")),
    lang::caption(QStringLiteral("B_import")).withKey(QStringLiteral("BitBtn2_Caption")),
    lang::caption(QStringLiteral("B_Salir")),
    lang::dialogTitle(QStringLiteral("SaveDialog1")),
    lang::dialogTitle(QStringLiteral("OpenDialog1")),
};

} // namespace

F_Gestion_BD::F_Gestion_BD(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("F_Gestion_BD"));
    setWindowTitle(QStringLiteral("Gestión de la Base de Datos"));

    auto* current = new QGroupBox(QStringLiteral("Instalación"), this);
    current->setObjectName(QStringLiteral("xpGroupBox1"));
    c2_ = new QComboBox(current);
    c2_->setObjectName(QStringLiteral("C2"));
    c2_->setMinimumContentsLength(30);
    eliminar_ = botonDialogo(QStringLiteral("B_Eliminar"), QStringLiteral("Eliminar"), current);
    auto* currentLayout = new QGridLayout(current);
    currentLayout->addWidget(
        etiqueta(QStringLiteral("Label1"), QStringLiteral("Instalación actual"), current), 0, 0);
    currentLayout->addWidget(c2_, 0, 1);
    currentLayout->addWidget(eliminar_, 0, 2);
    currentLayout->addWidget(botonDialogo(QStringLiteral("B_export"), QStringLiteral("Exportar"), current), 1,
                             1);
    currentLayout->addWidget(botonDialogo(QStringLiteral("B_import"), QStringLiteral("Importar"), current), 1,
                             2);

    auto* fresh = new QGroupBox(QStringLiteral("Nueva instalación"), this);
    fresh->setObjectName(QStringLiteral("xpGroupBox2"));
    QLineEdit* name = campoTexto(QStringLiteral("Edit1"), store::limites::instalacion::NOMBRE, fresh);
    auto* freshLayout = new QGridLayout(fresh);
    freshLayout->addWidget(etiqueta(QStringLiteral("Label2"), QStringLiteral("Nombre"), fresh), 0, 0);
    freshLayout->addWidget(name, 0, 1);
    freshLayout->addWidget(botonDialogo(QStringLiteral("B_Nueva"), QStringLiteral("Nueva"), fresh), 0, 2);
    freshLayout->addWidget(etiqueta(QStringLiteral("Label3"), QString(), fresh), 1, 0, 1, 3);

    auto* salir = botonDialogo(QStringLiteral("B_Salir"), QStringLiteral("Salir"), this);
    connect(salir, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(current);
    layout->addWidget(fresh);
    layout->addWidget(salir, 0, Qt::AlignRight);
}

void F_Gestion_BD::FormCreate() {
    applyLangTexts(this, QStringLiteral("F_Gestion_BD"), TEXTS);
}

} // namespace kestrum::ui
