#include "F_Muestra_Delete.h"

#include "iconos.h"
#include "langtexts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTransform>
#include <QVBoxLayout>
#include <algorithm>

namespace kestrum::ui {

namespace {

const LangTable TEXTS = {
    lang::title(),
    lang::caption(QStringLiteral("xpBitBtn1")),
};

constexpr int PASO_MS = 80;
constexpr int GRADOS_POR_PASO = 30;
constexpr int LADO = 32;

} // namespace

F_Muestra_Del::F_Muestra_Del(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("F_Muestra_Del"));
    setWindowTitle(QStringLiteral("Eliminando"));
    setModal(false);

    animate1_ = new QLabel(this);
    animate1_->setObjectName(QStringLiteral("Animate1"));
    // Room for the icon turned by 45 degrees.
    animate1_->setFixedSize(LADO * 3 / 2, LADO * 3 / 2);
    animate1_->setAlignment(Qt::AlignCenter);
    animate1_->setPixmap(icono(Icono::Borrar).pixmap(LADO, LADO));
    label1_ = new QLabel(this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setMinimumWidth(300);
    p1_ = new QProgressBar(this);
    p1_->setObjectName(QStringLiteral("P1"));
    p1_->setTextVisible(false);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("xpBitBtn1"));
    animacion_ = new QTimer(this);
    animacion_->setInterval(PASO_MS);

    auto* top = new QHBoxLayout;
    top->addWidget(animate1_);
    top->addWidget(label1_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(p1_);
    layout->addWidget(cancel_, 0, Qt::AlignRight);

    connect(cancel_, &QPushButton::clicked, this, [this] { tag_ = 1; });
    connect(animacion_, &QTimer::timeout, this, &F_Muestra_Del::gira);
}

void F_Muestra_Del::FormCreate() {
    applyLangTexts(this, QStringLiteral("F_Muestra_Del"), TEXTS);
}

void F_Muestra_Del::setAnimacion(bool activa) {
    if (activa) {
        animacion_->start();
        return;
    }
    animacion_->stop();
    angulo_ = 0;
    animate1_->setPixmap(icono(Icono::Borrar).pixmap(LADO, LADO));
}

bool F_Muestra_Del::animacion() const {
    return animacion_->isActive();
}

void F_Muestra_Del::avanza() {
    p1_->setValue(std::min(p1_->value() + 1, p1_->maximum()));
}

void F_Muestra_Del::reject() {
    tag_ = 1;
    QDialog::reject();
}

void F_Muestra_Del::gira() {
    angulo_ = (angulo_ + GRADOS_POR_PASO) % 360;
    const QPixmap base = icono(Icono::Borrar).pixmap(LADO, LADO);
    animate1_->setPixmap(base.transformed(QTransform().rotate(angulo_), Qt::SmoothTransformation));
}

} // namespace kestrum::ui
