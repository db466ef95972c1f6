#include "F_Muestra_recepcion.h"

#include "iconos.h"
#include "langtexts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace kestrum::ui {

namespace {

// The window shares its title with the controller editor's cancel button.
const LangTable TEXTS = {
    lang::title().withWholeKey(QStringLiteral("F_edit_Controller_BitBtn2_Caption")),
};

constexpr int PASO_MS = 120;
constexpr int LADO = 32;
constexpr int PASOS = 4;

} // namespace

F_Muestra_recep::F_Muestra_recep(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("F_Muestra_recep"));
    setWindowTitle(QStringLiteral("Cancelar"));
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint);
    setModal(false);

    ani1_ = new QLabel(this);
    ani1_->setObjectName(QStringLiteral("Ani1"));
    ani1_->setFixedSize(LADO * 2, LADO);
    ani1_->setPixmap(icono(Icono::Enviar).pixmap(LADO, LADO));
    label1_ = new QLabel(this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setMinimumWidth(300);
    p1_ = new QProgressBar(this);
    p1_->setObjectName(QStringLiteral("P1"));
    p1_->setTextVisible(false);
    animacion_ = new QTimer(this);
    animacion_->setInterval(PASO_MS);

    auto* top = new QHBoxLayout;
    top->addWidget(ani1_);
    top->addWidget(label1_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(p1_);

    connect(animacion_, &QTimer::timeout, this, &F_Muestra_recep::gira);
}

void F_Muestra_recep::FormCreate() {
    applyLangTexts(this, QStringLiteral("F_Muestra_recep"), TEXTS);
}

void F_Muestra_recep::setAnimacion(bool activa) {
    if (activa) {
        animacion_->start();
        return;
    }
    animacion_->stop();
    paso_ = 0;
    ani1_->setContentsMargins(0, 0, 0, 0);
}

bool F_Muestra_recep::animacion() const {
    return animacion_->isActive();
}

void F_Muestra_recep::avanza() {
    p1_->setValue(std::min(p1_->value() + 1, p1_->maximum()));
}

// The picture travels from left to right, as a copied file does.
void F_Muestra_recep::gira() {
    paso_ = (paso_ + 1) % PASOS;
    ani1_->setContentsMargins(paso_ * LADO / PASOS, 0, 0, 0);
}

} // namespace kestrum::ui
