// The reports tab: the report captions written into the catalogue at start, and each node of the
// reports tree run into the preview that fills the reports panel.
#include "UF_Main.h"
#include "Variables.h"
#include "avisos.h"
#include "consola.h"
#include "errores.h"
#include "listados.h"
#include "udorqserver.h"
#include "udorqsistema.h"
#include "vistainforme.h"

#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kestrum::ui {

namespace {

// Node index of the reports tree: 0 the root, 1 to 4 the reports in tree order.
int nodoInforme(QTreeWidgetItem* node) {
    if (!node)
        return 0;
    QTreeWidgetItem* parent = node->parent();
    return parent ? parent->indexOfChild(node) + 1 : 0;
}

} // namespace

void F_Main::construyeVistaInforme(QWidget* panel) {
    frPreview1_ = new reports::VistaInforme(panel);
    frPreview1_->setObjectName(QStringLiteral("frPreview1"));
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(frPreview1_);
}

void F_Main::conectaInformes() {
    connect(arbolReports_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* node) { protegido([&] { Arbol_REPORTSChange(node); }); });
    // Leaving the preview goes back to the navigator; choosing the same report again runs it again.
    connect(frPreview1_, &reports::VistaInforme::salir, this, [this] {
        arbolReports_->setCurrentItem(nullptr);
        pageControl_->setCurrentIndex(0);
    });
}

void F_Main::Graba_Textos_Informes() {
    Consola& c = Consola::instance();
    if (!c.servidor)
        return; // no catalogue reached: the login window says why
    reports::Graba_Textos_Informes(c.servidor->db(), config::Variables::instance().language);
}

void F_Main::Arbol_REPORTSChange(QTreeWidgetItem* node) {
    Consola& c = Consola::instance();
    if (!c.servidor)
        return;
    const QHash<QString, QString> textos = reports::Lee_Textos_Informes(c.servidor->db());
    const reports::Listado* listado = reports::listadoDeNodo(nodoInforme(node));
    if (!listado || !c.sistema)
        return;
    const QHash<QString, QString> variables{
        {QStringLiteral("instalacion"), reports::nombreInstalacion(*c.servidor, c.instalacion)}};
    const std::optional<reports::Informe> informe =
        reports::preparaListado(*listado, c.sistema->db(), textos, variables);
    if (!informe) {
        Avisa(QStringLiteral("KS_Report_missing"), {reports::definicion(QLatin1String(listado->definicion))});
        return;
    }
    frPreview1_->muestra(*informe);
    Avisa(QStringLiteral("KS_Report_shown"),
          {node->text(0), cuenta(informe->paginas(), QStringLiteral("KS_Report_one_page"),
                                 QStringLiteral("KS_Report_pages"))});
}

} // namespace kestrum::ui
