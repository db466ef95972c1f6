// List refresh benchmark, printed, not asserted, on the embedded engine in a temporary folder with
// 10,000 holders, 20,000 cards and 40,000 assignments: the users list (reload of the users and
// cards stores, rows, model) and the cards list (reload of the cards store, rows, model), each with
// a view attached to its model as in the main window. Goal: each refresh under 200 ms.
#include "benchdata.h"
#include "dbconnection.h"
#include "listas.h"
#include "schema.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcolecciontarjeta.h"
#include "udorqcoleccionusuario.h"
#include "udorqserver.h"
#include "udorqsistema.h"
#include "udorqtarjeta.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTreeView>
#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>

using namespace kestrum;
using namespace kestrum::store;
using namespace kestrum::bench;
using namespace kestrum::ui;

namespace {

constexpr int ROUNDS = 5;

double msSince(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

// The phases of one refresh, in milliseconds; the best round is the one with the least total.
struct Phases {
    std::array<double, 4> ms{};
    double total() const { return ms[0] + ms[1] + ms[2] + ms[3]; }
};

Phases best(const std::function<Phases()>& round) {
    Phases out;
    double least = 1e300;
    for (int i = 0; i < ROUNDS; ++i) {
        const Phases p = round();
        if (p.total() < least) {
            least = p.total();
            out = p;
        }
    }
    return out;
}

void run(const QString& folder) {
    const QString path = folder + QStringLiteral("/INSTALACION_1.FDB");
    schema::createInstallation(path);
    {
        QSqlDatabase db = Db::connect(path);
        QElapsedTimer t;
        t.start();
        fillInstallation(db);
        std::printf("setup: %d holders, %d cards, %d assignments written in %.1f s\n", HOLDERS, CARDS,
                    2 * CARDS, static_cast<double>(t.elapsed()) / 1000.0);
        Db::disconnect(db);
    }

    DORQServer server;
    DORQSistema sistema(path, &server);
    sistema.Abre();
    DORQColeccionUsuario& usuarios = *sistema.Usuarios();
    DORQColeccionTarjeta& tarjetas = *sistema.Tarjetas();
    const DORQColeccionControlador& controladores = *sistema.Controladores();

    QTreeView usersView;
    usersView.setUniformRowHeights(true);
    auto* usersModel = new ModeloLista(Lista::Usuarios, &usersView);
    usersView.setModel(usersModel);
    QTreeView cardsView;
    cardsView.setUniformRowHeights(true);
    auto* cardsModel = new ModeloLista(Lista::Tarjetas, &cardsView);
    cardsView.setModel(cardsModel);

    // Every timed round replaces full lists, as a refresh in the window does.
    usersModel->setFilas(filasUsuarios(usuarios, tarjetas, controladores));
    cardsModel->setFilas(filasTarjetas(tarjetas, controladores));

    const Phases users = best([&] {
        Phases p;
        QElapsedTimer t;
        t.start();
        usuarios.Carga();
        p.ms[0] = msSince(t);
        t.restart();
        tarjetas.Carga();
        p.ms[1] = msSince(t);
        t.restart();
        std::vector<Fila> rows = filasUsuarios(usuarios, tarjetas, controladores);
        p.ms[2] = msSince(t);
        t.restart();
        usersModel->setFilas(std::move(rows));
        p.ms[3] = msSince(t);
        return p;
    });
    const Phases cards = best([&] {
        Phases p;
        QElapsedTimer t;
        t.start();
        tarjetas.Carga();
        p.ms[1] = msSince(t);
        t.restart();
        std::vector<Fila> rows = filasTarjetas(tarjetas, controladores);
        p.ms[2] = msSince(t);
        t.restart();
        cardsModel->setFilas(std::move(rows));
        p.ms[3] = msSince(t);
        return p;
    });
    if (usersModel->rowCount() != HOLDERS || cardsModel->rowCount() != CARDS) {
        std::printf("unexpected rows: %d users, %d cards\n", usersModel->rowCount(), cardsModel->rowCount());
        return;
    }

    std::printf("users list (Refrescar_usuariosII), %d rows: %.1f ms (best of %d; users Carga %.1f, cards "
                "Carga %.1f, rows %.1f, setFilas %.1f)\n",
                HOLDERS, users.total(), ROUNDS, users.ms[0], users.ms[1], users.ms[2], users.ms[3]);
    std::printf("cards list (Refrescar_tarjetas), %d rows: %.1f ms (best of %d; cards Carga %.1f, rows %.1f, "
                "setFilas %.1f)\n",
                CARDS, cards.total(), ROUNDS, cards.ms[1], cards.ms[2], cards.ms[3]);
    std::printf("goal: each refresh under 200 ms\n");

    double found = 1e300, missing = 1e300;
    int hits = 0;
    for (int i = 0; i < ROUNDS; ++i) {
        QElapsedTimer t;
        t.start();
        hits = static_cast<int>(
            busca(*cardsModel, QStringLiteral("Apellido 9999"), ULTIMA_SUBCOLUMNA_TARJETAS).size());
        found = std::min(found, msSince(t));
        t.restart();
        busca(*cardsModel, QStringLiteral("no such text"), ULTIMA_SUBCOLUMNA_TARJETAS);
        missing = std::min(missing, msSince(t));
    }
    std::printf("search of the cards list: %.1f ms for a holder's surname (%d rows), %.1f ms for a text that "
                "is nowhere\n",
                found, hits, missing);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    Db::prepareEnvironment(dir.path() + QStringLiteral("/lock"));
    try {
        run(dir.path());
    } catch (const Error& e) {
        std::fprintf(stderr, "error: %s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
