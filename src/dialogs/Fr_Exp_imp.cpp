#include "Fr_Exp_imp.h"

#include "Fr_imp_XLS.h"
#include "Lang.h"
#include "avisos.h"
#include "consola.h"
#include "errores.h"
#include "formas.h"
#include "intercambio.h"
#include "langtexts.h"
#include "udorqsistema.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QVBoxLayout>

namespace kestrum::ui {

namespace {

const LangTable TEXTS = {
    lang::title(),
    lang::caption(QStringLiteral("Label6")),
    lang::dialogTitle(QStringLiteral("Save")),
    lang::dialogTitle(QStringLiteral("open")),
    lang::caption(QStringLiteral("SpeedButton4")),
    lang::caption(QStringLiteral("SpeedButton15")),
    lang::caption(QStringLiteral("B_cancel")),
};

const QString FILTRO_EXPORTAR = QStringLiteral("Excel workbook (*.xlsx);;CSV (*.csv)");
const QString FILTRO_IMPORTAR = QStringLiteral("Spreadsheets (*.xlsx *.xls *.csv)");

QString mensaje(int n) {
    return config::Lang::instance().mensaje(QStringLiteral("Variables_variables_F_Exp_imp_%1").arg(n));
}

// A file that cannot be read or written: the message, then why.
[[noreturn]] void fallo(const Error& e) {
    throw Error(mensaje(1) + QLatin1Char(' ') + e.message());
}

} // namespace

F_Exp_imp::F_Exp_imp(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("F_Exp_imp"));
    setWindowTitle(QStringLiteral("Export/Import"));
    setModal(true);
    auto* exportar = botonDialogo(QStringLiteral("SpeedButton4"), QStringLiteral("Exportar"), this);
    auto* importar = botonDialogo(QStringLiteral("SpeedButton15"), QStringLiteral("Importar"), this);
    auto* cerrar = botonDialogo(QStringLiteral("B_cancel"), QStringLiteral("Cerrar"), this);
    auto* botones = new QHBoxLayout;
    botones->addWidget(exportar);
    botones->addWidget(importar);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        etiqueta(QStringLiteral("Label6"), QStringLiteral("Esportar/importar a MS-Excel"), this));
    layout->addLayout(botones);
    layout->addLayout(filaBotones({cerrar}));
    setMinimumWidth(380);
    connect(exportar, &QPushButton::clicked, this, [this] { protegido([this] { SpeedButton4Click(); }); });
    connect(importar, &QPushButton::clicked, this, [this] { protegido([this] { SpeedButton15Click(); }); });
    connect(cerrar, &QPushButton::clicked, this, &QDialog::reject);
}

void F_Exp_imp::FormCreate() {
    applyLangTexts(this, QStringLiteral("F_Exp_imp"), TEXTS);
}

void F_Exp_imp::SpeedButton4Click() {
    QString filtro;
    QString fichero = QFileDialog::getSaveFileName(this, dialogTitle(this, QStringLiteral("Save")), QString(),
                                                   FILTRO_EXPORTAR, &filtro);
    if (fichero.isEmpty()) {
        Avisos::instance().publica(mensaje(2));
        return;
    }
    if (QFileInfo(fichero).suffix().isEmpty())
        fichero += filtro.contains(QLatin1String("*.csv")) ? QLatin1String(".csv") : QLatin1String(".xlsx");
    Exporta(fichero);
}

void F_Exp_imp::Exporta(const QString& elegido) {
    store::DORQSistema* sistema = Consola::instance().sistema.get();
    if (!sistema)
        return;
    const QString fichero =
        QFileInfo(elegido).suffix().isEmpty() ? elegido + QLatin1String(".xlsx") : elegido;
    const std::vector<store::FilaHoja> filas = store::filasExportacion(*sistema);
    try {
        store::escribeHoja(fichero, store::cabeceraHoja(), filas);
    } catch (const Error& e) {
        fallo(e);
    }
    Avisa(QStringLiteral("KS_Export_done"), {QString::number(filas.size()), fichero});
    accept();
}

void F_Exp_imp::SpeedButton15Click() {
    const QString fichero = QFileDialog::getOpenFileName(this, dialogTitle(this, QStringLiteral("open")),
                                                         QString(), FILTRO_IMPORTAR);
    if (fichero.isEmpty()) {
        Avisos::instance().publica(mensaje(2));
        return;
    }
    Importa(fichero);
}

void F_Exp_imp::Importa(const QString& fichero) {
    if (!importacion_)
        return;
    try {
        importacion_->Prepara(fichero);
    } catch (const Error& e) {
        fallo(e);
    }
    importacion_->exec();
    if (importacion_->importado())
        accept();
}

} // namespace kestrum::ui
