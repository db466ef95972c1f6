#include "caducidad.h"

#include "formas.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace kestrum::ui {

GrupoCaducidad::GrupoCaducidad(const QString& grupo, const QString& etiquetaFecha,
                               const QString& etiquetaHora, QWidget* parent) {
    grupo_ = new QGroupBox(QStringLiteral("Fecha de caducidad"), parent);
    grupo_->setObjectName(grupo);
    usar_ = new QCheckBox(QStringLiteral("Usar fecha caducidad"), grupo_);
    usar_->setObjectName(QStringLiteral("CH_Usar_Caducidad"));
    etiquetaFecha_ = etiqueta(etiquetaFecha, QStringLiteral("Fecha:"), grupo_);
    etiquetaHora_ = etiqueta(etiquetaHora, QStringLiteral("Hora:"), grupo_);
    fecha_ = new QDateEdit(grupo_);
    fecha_->setObjectName(QStringLiteral("E_Fecha_cad"));
    fecha_->setCalendarPopup(true);
    hora_ = new QTimeEdit(grupo_);
    hora_->setObjectName(QStringLiteral("E_Hora_cad"));
    hora_->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    auto* nota = etiqueta(QStringLiteral("L_Aviso_Caducidad"), QString(), grupo_);
    nota->setWordWrap(true);
    ponCaducidad(QDateTime::currentDateTime());

    auto* layout = new QGridLayout(grupo_);
    layout->addWidget(usar_, 0, 0, 1, 2);
    layout->addWidget(etiquetaFecha_, 1, 0);
    layout->addWidget(fecha_, 1, 1);
    layout->addWidget(etiquetaHora_, 2, 0);
    layout->addWidget(hora_, 2, 1);
    layout->addWidget(nota, 3, 0, 1, 2);

    QObject::connect(usar_, &QCheckBox::toggled, grupo_, [this] { Muestra_Habilita_caducidad(); });
}

LangTable GrupoCaducidad::textosAviso(const QString& clave) {
    return {lang::caption(QStringLiteral("L_Aviso_Caducidad")).withWholeKey(clave),
            lang::hint(QStringLiteral("E_Fecha_cad")).withWholeKey(clave),
            lang::hint(QStringLiteral("E_Hora_cad")).withWholeKey(clave)};
}

bool GrupoCaducidad::usar() const {
    return usar_->isChecked();
}

QDateTime GrupoCaducidad::caducidad() const {
    return QDateTime(fecha_->date(), hora_->time());
}

void GrupoCaducidad::ponCaducidad(const QDateTime& t) {
    fecha_->setDate(t.date());
    hora_->setTime(t.time());
}

void GrupoCaducidad::Muestra_Habilita_caducidad() {
    const bool on = usar_->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(fecha_), static_cast<QWidget*>(hora_),
                       static_cast<QWidget*>(etiquetaFecha_), static_cast<QWidget*>(etiquetaHora_)})
        w->setEnabled(on);
    // An unused date looks like a button face rather than an entry.
    for (QWidget* w : {static_cast<QWidget*>(fecha_), static_cast<QWidget*>(hora_)}) {
        QPalette p = w->palette();
        p.setColor(QPalette::Base, grupo_->palette().color(on ? QPalette::Base : QPalette::Button));
        w->setPalette(p);
    }
}

QPushButton* disponVentanaTarjeta(QDialog* window, QWidget* codigo, GrupoCaducidad& caducidad) {
    auto* aceptar = botonDialogo(QStringLiteral("B_Aceptar"), QStringLiteral("Aceptar"), window);
    auto* cancelar = botonDialogo(QStringLiteral("B_Cancel"), QStringLiteral("Cancelar"), window);
    // Enter belongs to the code entry.
    aceptar->setAutoDefault(false);
    cancelar->setAutoDefault(false);
    auto* nota = etiqueta(QStringLiteral("Label2"), QString(), window);
    nota->setWordWrap(true);
    auto* grid = new QGridLayout;
    grid->addWidget(etiqueta(QStringLiteral("Label1"), QStringLiteral("Código de tarjeta"), window), 0, 0);
    grid->addWidget(codigo, 0, 1);
    auto* layout = new QVBoxLayout(window);
    layout->addWidget(nota);
    layout->addLayout(grid);
    layout->addWidget(caducidad.grupo());
    layout->addLayout(filaBotones({cancelar, aceptar}));
    QObject::connect(cancelar, &QPushButton::clicked, window, &QDialog::reject);
    return aceptar;
}

const LangTable& textosVentanaTarjeta() {
    static const LangTable texts =
        LangTable{
            lang::title(),
            lang::caption(QStringLiteral("Label2")),
            lang::caption(QStringLiteral("Label1")),
            lang::caption(QStringLiteral("xpGroupBox1")),
            lang::caption(QStringLiteral("CH_Usar_Caducidad")),
            lang::caption(QStringLiteral("Label4")),
            lang::caption(QStringLiteral("Label3")),
            lang::caption(QStringLiteral("B_Cancel")),
            lang::caption(QStringLiteral("B_Aceptar")),
        } +
        GrupoCaducidad::textosAviso(QStringLiteral("KS_Dlg_Expiry_card"));
    return texts;
}

} // namespace kestrum::ui
