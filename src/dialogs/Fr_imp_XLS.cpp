#include "Fr_imp_XLS.h"

#include "avisos.h"
#include "consola.h"
#include "errores.h"
#include "formas.h"
#include "iconos.h"
#include "intercambio.h"
#include "langtexts.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcontrolador.h"
#include "udorqsistema.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QProgressDialog>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kestrum::ui {

namespace {

LangTable textos() {
    LangTable t{lang::title(), lang::caption(QStringLiteral("Label6"))};
    for (int n = 0; n < 3; ++n)
        t << lang::column(QStringLiteral("Lista1"), n);
    t << lang::caption(QStringLiteral("xpGroupBox1")) << lang::caption(QStringLiteral("xpGroupBox2"))
      << lang::caption(QStringLiteral("R4")) << lang::caption(QStringLiteral("R3"))
      << lang::caption(QStringLiteral("B_cancel")) << lang::caption(QStringLiteral("B_add"));
    return t;
}

// The operator stopped the import: the transaction is rolled back.
struct Cancelada {};

} // namespace

F_imp_XLS::F_imp_XLS(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("F_imp_XLS"));
    setWindowTitle(QStringLiteral("Importar XLS"));
    setModal(true);
    lista_ = new QTreeWidget(this);
    lista_->setObjectName(QStringLiteral("Lista1"));
    lista_->setRootIsDecorated(false);
    lista_->setUniformRowHeights(true);
    lista_->setHeaderLabels(
        {QStringLiteral("Nº tarjeta"), QStringLiteral("Nombre"), QStringLiteral("Apellidos")});
    lista_->setColumnWidth(0, 120);
    lista_->setColumnWidth(1, 160);

    auto* acceso = new QGroupBox(QStringLiteral("Users can access from:"), this);
    acceso->setObjectName(QStringLiteral("xpGroupBox1"));
    controladores_ = new QListWidget(acceso);
    controladores_->setObjectName(QStringLiteral("CH2"));
    (new QVBoxLayout(acceso))->addWidget(controladores_);

    auto* modo = new QGroupBox(QStringLiteral("Seleccione el modo de importación"), this);
    modo->setObjectName(QStringLiteral("xpGroupBox2"));
    r4_ = new QRadioButton(QStringLiteral("Añadir las tarjetas no existentes"), modo);
    r4_->setObjectName(QStringLiteral("R4"));
    r3_ = new QRadioButton(QStringLiteral("Insertar borrando tarjetas antiguas"), modo);
    r3_->setObjectName(QStringLiteral("R3"));
    r4_->setChecked(true);
    auto* modoLayout = new QVBoxLayout(modo);
    modoLayout->addWidget(r4_);
    modoLayout->addWidget(r3_);

    add_ = botonDialogo(QStringLiteral("B_add"), QStringLiteral("Añadir"), this);
    cancel_ = botonDialogo(QStringLiteral("B_cancel"), QStringLiteral("Cancelar"), this);
    auto* derecha = new QVBoxLayout;
    derecha->addWidget(acceso, 1);
    derecha->addWidget(modo);
    auto* cuerpo = new QHBoxLayout;
    cuerpo->addWidget(lista_, 2);
    cuerpo->addLayout(derecha, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        etiqueta(QStringLiteral("Label6"), QStringLiteral("Importar de fichero MS-Excel"), this));
    layout->addLayout(cuerpo, 1);
    layout->addLayout(filaBotones({cancel_, add_}));
    resize(760, 480);

    connect(add_, &QPushButton::clicked, this, [this] { protegido([this] { B_addClick(); }); });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void F_imp_XLS::FormCreate() {
    applyLangTexts(this, QStringLiteral("F_imp_XLS"), textos());
}

void F_imp_XLS::Prepara(const QString& fichero) {
    importado_ = false;
    controladores_->clear();
    lista_->clear();
    filas_.clear();
    if (store::DORQSistema* sistema = Consola::instance().sistema.get()) {
        store::DORQColeccionControlador* cs = sistema->Controladores();
        for (int i = 0; i < cs->Cuenta(); ++i) {
            const auto c = cs->Controlador(i);
            auto* item = new QListWidgetItem(QString::number(c->cod()) + QLatin1Char(' ') + c->descripcion(),
                                             controladores_);
            item->setData(Qt::UserRole, c->cod());
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Checked);
        }
    }
    filas_ = store::filasAImportar(store::leeHoja(fichero));
    const QString invalida = textoAviso(QStringLiteral("KS_Import_invalid_code"));
    for (const store::FilaHoja& f : filas_) {
        const bool valida = store::codigoValido(f.codigo);
        auto* item = new QTreeWidgetItem(
            lista_, {valida ? store::codigoImportado(f.codigo) : f.codigo, f.nombre, f.apellidos});
        if (!valida) {
            // Marked here, skipped and counted by the import.
            item->setIcon(0, icono(Icono::AlarmaLector));
            for (int c = 0; c < 3; ++c) {
                item->setForeground(c, palette().brush(QPalette::Disabled, QPalette::Text));
                item->setToolTip(c, invalida);
            }
        }
    }
    add_->setEnabled(!filas_.empty());
}

void F_imp_XLS::B_addClick() {
    store::DORQSistema* sistema = Consola::instance().sistema.get();
    if (!sistema)
        return;
    QList<int> elegidos;
    for (int i = 0; i < controladores_->count(); ++i) {
        if (controladores_->item(i)->checkState() == Qt::Checked)
            elegidos << controladores_->item(i)->data(Qt::UserRole).toInt();
    }
    add_->setEnabled(false);
    cancel_->setEnabled(false);
    const auto fin = qScopeGuard([this] {
        add_->setEnabled(true);
        cancel_->setEnabled(true);
    });
    QProgressDialog progreso(this);
    progreso.setObjectName(QStringLiteral("F_Muestra_recep"));
    progreso.setWindowModality(Qt::WindowModal);
    progreso.setRange(0, static_cast<int>(filas_.size()));
    progreso.setMinimumDuration(0);
    store::ResultadoImportacion r;
    try {
        r = store::importaFilas(*sistema, filas_, elegidos, r3_->isChecked(),
                                [&progreso](int i, const store::FilaHoja& f) {
                                    progreso.setValue(i + 1);
                                    progreso.setLabelText(f.codigo + QLatin1Char(' ') + f.nombre +
                                                          QLatin1Char(' ') + f.apellidos);
                                    if (progreso.wasCanceled())
                                        throw Cancelada{};
                                });
    } catch (const Cancelada&) {
        Avisa(QStringLiteral("KS_Import_cancelled"));
        return;
    }
    importado_ = true;
    Avisa(QStringLiteral("KS_Import_done"), {QString::number(r.anyadidas), QString::number(r.existentes),
                                             QString::number(r.invalidas), QString::number(r.titulares)});
    accept();
}

} // namespace kestrum::ui
