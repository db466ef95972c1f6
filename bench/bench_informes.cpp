// The cards report over the large installation (20,000 cards), printed, not asserted: the query
// alone (the floor), the time from choosing the reports tree's node to the first page painted in
// the preview, and to the whole PDF written; each against the floor.
#include "UF_Main.h"
#include "arranque.h"
#include "benchdata.h"
#include "consola.h"
#include "dataroot.h"
#include "dbconnection.h"
#include "informe.h"
#include "listados.h"
#include "schema.h"
#include "udorqsistema.h"
#include "vistainforme.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <functional>

using namespace kestrum;

namespace {

constexpr int ROUNDS = 3;

double bestOf(const std::function<void()>& run) {
    return bench::bestOf(ROUNDS, run);
}

void prepare() {
    QFile settings(config::DataRoot::file(QStringLiteral("KESTRUM20.INI")));
    if (!settings.open(QIODevice::WriteOnly))
        qFatal("cannot write the settings");
    // Ports that lead nowhere: no serial device's time-outs in the figures.
    QByteArray ini = "[General]\nIdioma=ENGLISH\nTestear_cx=false\nLiberar_tarj=false\n[Serial]\n";
    for (int n = 1; n <= bench::CONTROLLERS; ++n)
        ini += QByteArray("COM") + QByteArray::number(n) + "=/nonexistent/kestrum-bench-tty\n";
    settings.write(ini);
    settings.close();
    store::Db::prepareEnvironment(config::DataRoot::file(QStringLiteral("firebird-lock")));
    store::Prepara_Ficheros_BD(config::DataRoot::bdks());
    QSqlDatabase db = store::Db::connect(config::DataRoot::bdks() + QStringLiteral("/INSTALACION_1.FDB"));
    bench::fillInstallation(db);
    store::Db::disconnect(db);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path()));
    QApplication app(argc, argv);
    prepare();
    int result = 0;
    {
        auto windows = ui::creaVentanas();
        ui::F_Main& main = *windows->main;
        main.resize(1280, 800);
        main.show();
        main.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(2);
        QCoreApplication::processEvents();
        const reports::Listado& cards = *reports::listadoDeNodo(2);
        const QSqlDatabase& db = ui::Consola::instance().sistema->db();

        int rows = 0;
        const double query = bestOf([&] {
            rows = static_cast<int>(reports::consulta(db, QLatin1String(cards.consulta)).filas.size());
        });

        auto* tree = main.findChild<QTreeWidget*>(QStringLiteral("Arbol_REPORTS"));
        QTreeWidgetItem* root = tree->topLevelItem(0);
        auto* preview = main.frPreview1();
        QWidget* pages = preview->findChild<QWidget*>(QStringLiteral("Hojas"));
        const double shown = bestOf([&] {
            tree->setCurrentItem(root);
            tree->setCurrentItem(root->child(1)); // runs Arbol_REPORTSChange
            pages->repaint();                     // the first page painted
        });
        const int pagesCount = preview->informe() ? preview->informe()->paginas() : 0;

        const QString pdf = dir.filePath(QStringLiteral("cards.pdf"));
        const double written = bestOf([&] {
            tree->setCurrentItem(root);
            tree->setCurrentItem(root->child(1));
            preview->informe()->exportaPdf(pdf);
        });
        const double pdfOnly = bestOf([&] { preview->informe()->exportaPdf(pdf); });

        std::printf("cards report: %d rows, %d pages, PDF %lld KB\n", rows, pagesCount,
                    static_cast<long long>(QFile(pdf).size() / 1024));
        std::printf("query alone (floor): %.0f ms\n", query);
        std::printf("node chosen -> first page shown: %.0f ms (%.1f x the query)\n", shown, shown / query);
        std::printf("node chosen -> whole PDF written: %.0f ms (%.1f x the query; the PDF alone %.0f ms)\n",
                    written, written / query, pdfOnly);
        std::printf("(best of %d each)\n", ROUNDS);
        result = rows == bench::CARDS && pagesCount > 1 ? 0 : 1;
    }
    ui::Consola::reset();
    return result;
}
