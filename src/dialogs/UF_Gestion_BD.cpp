#include "UF_Gestion_BD.h"

#include "F_Delete_Confirm.h"
#include "Lang.h"
#include "Variables.h"
#include "avisos.h"
#include "consola.h"
#include "dataroot.h"
#include "errores.h"
#include "formas.h"
#include "langtexts.h"
#include "limites.h"
#include "operacion.h"
#include "schema.h"
#include "timings.h"
#include "udorq.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcomunicador.h"
#include "udorqcontrolador.h"
#include "udorqserver.h"
#include "udorqsistema.h"

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>
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

const QString FILTRO = QStringLiteral("KestrumData (*.kdt)");

QString baseDe(const QString& codigo) {
    return QStringLiteral("instalacion_") + codigo;
}

// A pause the windows stay live through.
void espera(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

F_Gestion_BD::F_Gestion_BD(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("F_Gestion_BD"));
    setWindowTitle(QStringLiteral("Gestión de la Base de Datos"));
    setModal(true);

    // The installations: the one open, a new one, the delete; then the backup file of the one open.
    auto* instalaciones = new QGroupBox(QStringLiteral("Instalación"), this);
    instalaciones->setObjectName(QStringLiteral("xpGroupBox2"));
    c2_ = new QComboBox(instalaciones);
    c2_->setObjectName(QStringLiteral("C2"));
    c2_->setMinimumContentsLength(30);
    c2_->setEditable(false); // the chooser only offers its items
    nueva_ = campoTexto(QStringLiteral("E_Nueva"), store::limites::instalacion::NOMBRE, instalaciones);
    nueva_b_ = botonDialogo(QStringLiteral("B_Nueva"), QStringLiteral("Crear"), instalaciones);
    eliminar_ = botonDialogo(QStringLiteral("B_Eliminar"), QStringLiteral("Eliminar"), instalaciones);
    auto* grid = new QGridLayout(instalaciones);
    grid->addWidget(etiqueta(QStringLiteral("Label1"), QStringLiteral("Instalación actual"), instalaciones),
                    0, 0);
    grid->addWidget(c2_, 0, 1);
    grid->addWidget(eliminar_, 0, 2);
    grid->addWidget(etiqueta(QStringLiteral("Label2"), QStringLiteral("Nueva instalación"), instalaciones), 1,
                    0);
    grid->addWidget(nueva_, 1, 1);
    grid->addWidget(nueva_b_, 1, 2);
    grid->addWidget(etiqueta(QStringLiteral("Label3"), QString(), instalaciones), 2, 0, 1, 3);

    auto* copia = new QGroupBox(QStringLiteral("Exportar/Importar instalación"), this);
    copia->setObjectName(QStringLiteral("xpGroupBox1"));
    exportar_ = botonDialogo(QStringLiteral("B_export"), QStringLiteral("Exportar"), copia);
    importar_ = botonDialogo(QStringLiteral("B_import"), QStringLiteral("Importar"), copia);
    auto* fila = new QHBoxLayout(copia);
    fila->addWidget(exportar_);
    fila->addWidget(importar_);

    estado_ = etiqueta(QStringLiteral("L_Progreso"), QString(), this);
    estado_->setWordWrap(true);
    auto* salir = botonDialogo(QStringLiteral("B_Salir"), QStringLiteral("Salir"), this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(instalaciones);
    layout->addWidget(copia);
    layout->addWidget(estado_);
    layout->addWidget(salir, 0, Qt::AlignRight);

    const auto handler = [this](void (F_Gestion_BD::*h)()) {
        return [this, h] { protegido([&] { (this->*h)(); }); };
    };
    // A choice the operator makes; refilling the chooser does not switch installations.
    connect(c2_, &QComboBox::activated, this, handler(&F_Gestion_BD::C2Change));
    connect(nueva_b_, &QPushButton::clicked, this, handler(&F_Gestion_BD::B_NuevaClick));
    connect(eliminar_, &QPushButton::clicked, this, handler(&F_Gestion_BD::B_EliminarClick));
    connect(exportar_, &QPushButton::clicked, this, handler(&F_Gestion_BD::B_exportClick));
    connect(importar_, &QPushButton::clicked, this, handler(&F_Gestion_BD::B_importClick));
    connect(salir, &QPushButton::clicked, this, handler(&F_Gestion_BD::B_SalirClick));
}

void F_Gestion_BD::FormCreate() {
    applyLangTexts(this, QStringLiteral("F_Gestion_BD"), TEXTS);
}

QStringList F_Gestion_BD::elegida() const {
    if (c2_->currentIndex() < 0)
        return {};
    return store::Divide_Texto(c2_->currentText(), QStringLiteral(".-"));
}

void F_Gestion_BD::habilita(bool si) {
    eliminar_->setEnabled(si && c2_->count() > 1);
    nueva_b_->setEnabled(si);
    exportar_->setEnabled(si);
    importar_->setEnabled(si);
    c2_->setEnabled(si);
}

// While the dialog works: its buttons off, the hourglass, the progress line cleared at the end.
QScopeGuard<std::function<void()>> F_Gestion_BD::ocupado() {
    habilita(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    return QScopeGuard<std::function<void()>>([this] {
        QApplication::restoreOverrideCursor();
        habilita(true);
        estado_->clear();
    });
}

// The engine's verbose lines, one at a time: the window repaints between them.
void F_Gestion_BD::progresa(const QString& linea) {
    estado_->setText(linea.trimmed());
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void F_Gestion_BD::Close_instalacion() {
    Consola& c = Consola::instance();
    if (!c.sistema)
        return;
    if (store::DORQColeccionControlador* controladores = c.sistema->Controladores()) {
        for (int i = 0; i < controladores->Cuenta(); ++i) {
            if (link::DORQComunicador* enlace = controladores->Controlador(i)->Comunicador())
                enlace->Desconectar();
        }
    }
    c.sistema.reset();
}

void F_Gestion_BD::C2Change() {
    const QStringList pieza = elegida();
    if (pieza.isEmpty() || ops::operacionEnCurso())
        return;
    const auto fin = ocupado();
    // Nothing reaches the readers of either installation meanwhile: the periodic task waits.
    const ops::GuardaOperacion operacion;
    const ops::SuspensionEventos suspension;
    Close_instalacion();
    espera(timings().installationSwitchMs);
    emit abreInstalacion(pieza.first());
}

void F_Gestion_BD::B_NuevaClick() {
    const QString nombre = nueva_->text().trimmed();
    if (nombre.isEmpty()) {
        Avisa(QStringLiteral("KS_Dlg_Installation_no_name"));
        return;
    }
    if (ops::operacionEnCurso())
        return;
    const ops::GuardaOperacion operacion;
    const ops::SuspensionEventos suspension;
    const QString anterior = Consola::instance().instalacion;
    Close_instalacion();
    // A failed creation leaves the installation that was open in use again.
    QString abrir = anterior;
    const auto reabre = qScopeGuard([this, &abrir] { protegido([&] { emit cargaInstalaciones(abrir); }); });
    const int codigo = Consola::instance().servidor->Crea_Instalacion(nombre);
    abrir = QString::number(codigo);
    Avisa(QStringLiteral("KS_Dlg_Installation_created"), {QString::number(codigo), nombre});
    nueva_->clear();
}

void F_Gestion_BD::B_EliminarClick() {
    const QStringList pieza = elegida();
    if (pieza.isEmpty() || c2_->count() <= 1 || !confirmacion_ || ops::operacionEnCurso())
        return;
    confirmacion_->setTag(0);
    confirmacion_->Label1()->setText(
        config::Lang::instance().mensaje(QStringLiteral("Variables_variables_F_Main_27")) + QLatin1Char(' ') +
        pieza.value(1) + QLatin1Char('?'));
    confirmacion_->exec();
    if (confirmacion_->tag() != 1)
        return;
    const ops::GuardaOperacion operacion;
    const ops::SuspensionEventos suspension;
    Close_instalacion();
    const auto reabre = qScopeGuard([this] { protegido([this] { emit cargaInstalaciones(QString()); }); });
    const QString codigo = pieza.first();
    Consola::instance().servidor->Elimina_Instalacion(codigo.toInt());
    Avisa(QStringLiteral("KS_Dlg_Installation_deleted"), {codigo, pieza.value(1).mid(2)});
}

void F_Gestion_BD::B_exportClick() {
    if (elegida().isEmpty())
        return;
    const QString fichero = QFileDialog::getSaveFileName(
        this, dialogTitle(this, QStringLiteral("SaveDialog1")), QString(), FILTRO);
    if (!fichero.isEmpty())
        Exporta(fichero);
}

void F_Gestion_BD::Exporta(const QString& elegido) {
    const QStringList pieza = elegida();
    if (pieza.isEmpty())
        return;
    QString fichero = elegido;
    if (QFileInfo(fichero).suffix().isEmpty())
        fichero += QLatin1String(".kdt");
    const auto fin = ocupado();
    Consola::instance().servidor->Exporta_Instalacion(baseDe(pieza.first()), fichero,
                                                      store::schema::databaseFolder(),
                                                      [this](const QString& l) { progresa(l); });
    Avisa(QStringLiteral("KS_Dlg_Backup_done"), {pieza.value(1).mid(2), fichero});
}

void F_Gestion_BD::B_importClick() {
    if (elegida().isEmpty())
        return;
    const QString fichero = QFileDialog::getOpenFileName(
        this, dialogTitle(this, QStringLiteral("OpenDialog1")), QString(), FILTRO);
    if (!fichero.isEmpty())
        Importa(fichero);
}

void F_Gestion_BD::Importa(const QString& fichero) {
    const QStringList pieza = elegida();
    if (pieza.isEmpty() || ops::operacionEnCurso())
        return;
    const auto fin = ocupado();
    const ops::GuardaOperacion operacion;
    const ops::SuspensionEventos suspension;
    Close_instalacion();
    // Opened again in every case: a restore that failed left the installation as it was.
    const QString codigo = pieza.first();
    const auto reabre = qScopeGuard([this, codigo] { protegido([&] { emit abreInstalacion(codigo); }); });
    Consola::instance().servidor->Importa_Instalacion(
        baseDe(codigo), fichero, store::schema::databaseFolder(), [this](const QString& l) { progresa(l); });
    Avisa(QStringLiteral("KS_Dlg_Restore_done"), {fichero, pieza.value(1).mid(2)});
}

void F_Gestion_BD::B_SalirClick() {
    if (const QStringList pieza = elegida(); !pieza.isEmpty()) {
        config::Variables& v = config::Variables::instance();
        v.lastInstallation = pieza.first();
        v.Graba_Configuracion();
    }
    accept();
}

} // namespace kestrum::ui
