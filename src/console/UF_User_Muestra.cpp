#include "UF_User_Muestra.h"

#include "iconos.h"
#include "langtexts.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QVBoxLayout>

namespace kestrum::ui {

namespace {

const QSize TAMANO_FOTO(120, 150);

const LangTable TEXTS = {
    lang::caption(QStringLiteral("L_Nombre")),
    lang::caption(QStringLiteral("L_Apellidos")),
    lang::caption(QStringLiteral("xpGroupBox4")),
    lang::caption(QStringLiteral("xpGroupBox1")),
};

template <class W> W* named(const QString& name, W* w) {
    w->setObjectName(name);
    return w;
}

QGroupBox* grupo(const QString& name, const QString& title, QWidget* content, QWidget* parent) {
    auto* box = named(name, new QGroupBox(title, parent));
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(content);
    return box;
}

} // namespace

F_User_Muestra::F_User_Muestra(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("F_User_Muestra"));
    setWindowTitle(QStringLiteral("Kestrum"));
    setModal(false);

    foto_ = named(QStringLiteral("I_Foto"), new QLabel(this));
    foto_->setFixedSize(TAMANO_FOTO);
    foto_->setAlignment(Qt::AlignCenter);
    foto_->setFrameShape(QFrame::StyledPanel);

    nombre_ = named(QStringLiteral("L_Nombre"), new QLabel(QStringLiteral("Nombre"), this));
    apellidos_ = named(QStringLiteral("L_Apellidos"), new QLabel(QStringLiteral("Apellidos"), this));
    QFont grande = nombre_->font();
    grande.setPointSizeF(grande.pointSizeF() * 1.3);
    grande.setBold(true);
    nombre_->setFont(grande);
    apellidos_->setFont(grande);

    tarjetas_ = named(QStringLiteral("Lista_Tarjetas"), new QListWidget(this));
    controladores_ = named(QStringLiteral("CHLista1"), new QListWidget(this));
    tarjetas_->setSelectionMode(QAbstractItemView::NoSelection);
    controladores_->setSelectionMode(QAbstractItemView::NoSelection);

    auto* nombres = new QVBoxLayout;
    nombres->addWidget(nombre_);
    nombres->addWidget(apellidos_);
    nombres->addStretch();
    auto* arriba = new QHBoxLayout;
    arriba->addWidget(foto_);
    arriba->addLayout(nombres, 1);

    auto* abajo = new QHBoxLayout;
    abajo->addWidget(grupo(QStringLiteral("xpGroupBox4"), QStringLiteral("Tarjetas"), tarjetas_, this));
    abajo->addWidget(grupo(QStringLiteral("xpGroupBox1"), QStringLiteral("Lectores"), controladores_, this));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(arriba);
    layout->addLayout(abajo, 1);
    resize(460, 380);
}

void F_User_Muestra::FormCreate() {
    applyLangTexts(this, QStringLiteral("F_User_Muestra"), TEXTS);
}

void F_User_Muestra::Limpia() {
    foto_->clear();
    tarjetas_->clear();
    controladores_->clear();
}

void F_User_Muestra::Muestra_Foto(const QString& path) {
    foto_->clear();
    if (path.isEmpty())
        return;
    const QPixmap pixmap(path);
    if (!pixmap.isNull())
        foto_->setPixmap(pixmap.scaled(TAMANO_FOTO, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void F_User_Muestra::Anyade_Controlador(int numero, const QString& descripcion) {
    auto* item = new QListWidgetItem(QString::number(numero) + QLatin1Char(' ') + descripcion);
    item->setIcon(icono(Icono::Lector));
    item->setData(Qt::UserRole, numero);
    // Enabled only: the check shows who holds a card, it is not a choice.
    item->setFlags(Qt::ItemIsEnabled);
    item->setCheckState(Qt::Unchecked);
    controladores_->addItem(item);
}

} // namespace kestrum::ui
