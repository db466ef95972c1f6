// Store benchmarks, printed, not asserted, on the embedded engine in a temporary folder:
//  1. a full load of the users, controllers and cards stores of a large installation (10,000
//     holders, 20,000 cards, 40,000 assignments), against the floor of one plain query per table;
//  2. cards inserted one by one through the store, whose reload after each insert makes the cost
//     grow with the number of cards already there; measured on 2,000 cards and extrapolated.
#include "benchdata.h"
#include "dbconnection.h"
#include "schema.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcolecciontarjeta.h"
#include "udorqcoleccionusuario.h"
#include "udorqserver.h"
#include "udorqsistema.h"
#include "udorqtarjeta.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>

using namespace kestrum;
using namespace kestrum::store;
using namespace kestrum::bench;

namespace {

// Every row of the four tables, each value read, in one plain query per table.
std::size_t readFloor(const QSqlDatabase& db) {
    static const char* const queries[] = {
        "select id,nombre,apellidos,fotografia from dorqusuario",
        "select cod,puerto_serie,tiempo_pta_abierta,tipo,descripcion from dorqcontrolador",
        "select codigo_tarjeta,usuario,usar_fecha_cad,fecha_alta,fecha_caducidad from dorqtarjeta",
        "select tarjeta,controlador,\"_STOREDINHW\" from dorqcontroladortarjeta",
    };
    std::size_t values = 0;
    for (const char* sql : queries) {
        Query q(db);
        q.prepare(QString::fromLatin1(sql)).exec();
        const int columns = q.raw().record().count();
        while (q.next()) {
            for (int c = 0; c < columns; ++c)
                values += q.value(c).isValid() ? 1 : 0;
        }
    }
    return values;
}

void fullLoad(const QString& folder) {
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
    QElapsedTimer opening;
    opening.start();
    sistema.Abre();
    const double abre = static_cast<double>(opening.nsecsElapsed()) / 1e6;
    if (sistema.Usuarios()->Cuenta() != HOLDERS || sistema.Tarjetas()->Cuenta() != CARDS) {
        std::printf("unexpected load: %d holders, %d cards\n", sistema.Usuarios()->Cuenta(),
                    sistema.Tarjetas()->Cuenta());
        return;
    }

    double users = 0, controllers = 0, cards = 0;
    const double load = bestOf(3, [&] {
        QElapsedTimer t;
        t.start();
        sistema.Usuarios()->Carga();
        users = static_cast<double>(t.nsecsElapsed()) / 1e6;
        sistema.Controladores()->Carga();
        controllers = static_cast<double>(t.nsecsElapsed()) / 1e6 - users;
        sistema.Tarjetas()->Carga();
        cards = static_cast<double>(t.nsecsElapsed()) / 1e6 - users - controllers;
    });
    std::size_t values = 0;
    const double floor = bestOf(3, [&] { values = readFloor(sistema.db()); });

    std::printf(
        "full load of the three stores: %.1f ms (best of 3; last round: users %.1f, controllers %.1f, "
        "cards with assignments %.1f)\n",
        load, users, controllers, cards);
    std::printf("  opening the installation (four connections and the same loads): %.1f ms\n", abre);
    std::printf("floor, one plain query per table (%zu values read): %.1f ms\n", values, floor);
    std::printf("ratio load / floor: %.2f (goal <= 2, load under 300 ms)\n", load / floor);
}

// Inserts `count` cards through Crea_Tarjeta and returns the milliseconds taken.
double insertThroughStore(DORQColeccionTarjeta& tarjetas, int first, int count) {
    QElapsedTimer t;
    t.start();
    DORQTarjeta card;
    card.setFecha_alta(QDateTime(QDate(2024, 1, 1), QTime(8, 0)));
    for (int i = first; i < first + count; ++i) {
        card.setCodigo_tarjeta(cardCode(i));
        tarjetas.Crea_Tarjeta(card);
    }
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

void insertOneByOne(const QString& folder) {
    constexpr int BATCH = 1000;
    const QString path = folder + QStringLiteral("/INSTALACION_2.FDB");
    schema::createInstallation(path);
    {
        QSqlDatabase db = Db::connect(path);
        fillHolders(db);
        Db::disconnect(db);
    }
    DORQServer server;
    DORQSistema sistema(path, &server);
    sistema.Abre();
    DORQColeccionTarjeta& tarjetas = *sistema.Tarjetas();

    // Each insert costs its statement and commit (s) plus a reload of the k cards then stored, L(k)
    // = c0 + c1*k, measured at two sizes.
    const double first = insertThroughStore(tarjetas, 0, BATCH);
    const double load1 = bestOf(5, [&] { tarjetas.Carga(); });
    const double second = insertThroughStore(tarjetas, BATCH, BATCH);
    const double load2 = bestOf(5, [&] { tarjetas.Carga(); });
    const double c1 = (load2 - load1) / BATCH;
    const double c0 = load1 - c1 * BATCH;
    const auto reloads = [&](double n) { return c0 * n + c1 * n * (n + 1) / 2; }; // k = 1..n
    const double s = (first + second - reloads(2 * BATCH)) / (2 * BATCH);
    const double extrapolated = s * CARDS + reloads(CARDS);

    std::printf("Crea_Tarjeta one by one (with %d holders): cards 1-%d %.1f s, %d-%d %.1f s\n", HOLDERS,
                BATCH, first / 1000, BATCH + 1, 2 * BATCH, second / 1000);
    std::printf(
        "  reload of the cards store: %.1f ms at %d cards, %.1f ms at %d; insert and commit: %.1f ms\n",
        load1, BATCH, load2, 2 * BATCH, s);
    std::printf(
        "  extrapolated for %d cards: %.0f s (%.0f min), of which reloads %.0f s; the last reload %.0f ms\n",
        CARDS, extrapolated / 1000, extrapolated / 60000, reloads(CARDS) / 1000, c0 + c1 * CARDS);
    if (tarjetas.Cuenta() != 2 * BATCH)
        std::printf("unexpected: %d cards in the store\n", tarjetas.Cuenta());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    Db::prepareEnvironment(dir.path() + QStringLiteral("/lock"));
    try {
        fullLoad(dir.path());
        insertOneByOne(dir.path());
    } catch (const Error& e) {
        std::fprintf(stderr, "error: %s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
