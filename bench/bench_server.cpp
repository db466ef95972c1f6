// Installation benchmarks, printed, not asserted, on the 20,000-card installation:
//  1. backup and restore through the console's code (the engine's backup service, embedded)
//     against Debian's gbak on the command line, on the same file;
//  2. a full reload of the users, controllers and cards stores over a loopback Firebird server
//     (the tests' own) against the embedded engine, and the server's backup and restore streamed
//     to this machine.
#include "benchdata.h"
#include "dbconnection.h"
#include "fbtestserver.h"
#include "schema.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcolecciontarjeta.h"
#include "udorqcoleccionusuario.h"
#include "udorqserver.h"
#include "udorqsistema.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>

using namespace kestrum;
using namespace kestrum::store;
using namespace kestrum::bench;

namespace {

constexpr int ROUNDS = 3;

void gbak(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("gbak"), args);
    if (!p.waitForFinished(600000) || p.exitCode() != 0)
        throw Error(QStringLiteral("gbak %1: %2")
                        .arg(args.join(QLatin1Char(' ')), QString::fromLocal8Bit(p.readAllStandardError())));
}

double reload(DORQSistema& sistema) {
    return bestOf(ROUNDS, [&] {
        sistema.Usuarios()->Carga();
        sistema.Controladores()->Carga();
        sistema.Tarjetas()->Carga();
    });
}

void run(const QString& folder) {
    const QString path = folder + QStringLiteral("/INSTALACION_1.FDB");
    schema::createInstallation(path);
    {
        QSqlDatabase db = Db::connect(path);
        fillInstallation(db);
        Db::disconnect(db);
    }
    std::printf("installation: %d holders, %d cards, %d assignments, %.1f MB\n", HOLDERS, CARDS, 2 * CARDS,
                static_cast<double>(QFile(path).size()) / 1e6);

    DORQServer catalogue;
    const QString backup = folder + QStringLiteral("/console.kdt");
    const QString plain = folder + QStringLiteral("/gbak.fbk");
    const double ownBackup = bestOf(ROUNDS, [&] {
        catalogue.Exporta_Instalacion(QStringLiteral("instalacion_1"), backup, folder, [](const QString&) {});
    });
    const double gbakBackup = bestOf(ROUNDS, [&] { gbak({QStringLiteral("-b"), path, plain}); });
    const double ownRestore = bestOf(ROUNDS, [&] {
        catalogue.Importa_Instalacion(QStringLiteral("instalacion_1"), backup, folder, [](const QString&) {});
    });
    const QString target = folder + QStringLiteral("/gbak-restored.fdb");
    const double gbakRestore = bestOf(ROUNDS, [&] { gbak({QStringLiteral("-rep"), plain, target}); });
    std::printf("backup:  console %.0f ms, gbak -b %.0f ms, ratio %.2f (goal <= 1.2)\n", ownBackup,
                gbakBackup, ownBackup / gbakBackup);
    std::printf("restore: console %.0f ms, gbak -r %.0f ms, ratio %.2f (goal <= 1.2)\n", ownRestore,
                gbakRestore, ownRestore / gbakRestore);

    double embedded = 0;
    {
        DORQSistema sistema(path, &catalogue);
        sistema.Abre();
        embedded = reload(sistema);
    }

    test::FbTestServer server;
    if (const QString failure = server.start(); !failure.isEmpty())
        throw Error(failure);
    schema::useSettings(server.settings());
    const QString remote = schema::installationPath(1);
    const double serverRestore = bestOf(1, [&] {
        catalogue.Importa_Instalacion(QStringLiteral("instalacion_1"), backup, schema::databaseFolder());
    });
    const QString fromServer = folder + QStringLiteral("/server.kdt");
    const double serverBackup = bestOf(ROUNDS, [&] {
        catalogue.Exporta_Instalacion(QStringLiteral("instalacion_1"), fromServer, schema::databaseFolder());
    });
    double loopback = 0;
    {
        DORQSistema sistema(remote, &catalogue);
        sistema.Abre();
        if (sistema.Tarjetas()->Cuenta() != CARDS)
            throw Error(
                QStringLiteral("the server's installation has %1 cards").arg(sistema.Tarjetas()->Cuenta()));
        loopback = reload(sistema);
    }
    std::printf("full reload of the stores: embedded %.0f ms, loopback server %.0f ms, ratio %.2f\n",
                embedded, loopback, loopback / embedded);
    std::printf(
        "on the server, streamed to this machine: backup %.0f ms, restore (first, no safety copy) %.0f ms\n",
        serverBackup, serverRestore);
    schema::useSettings({});
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    const QString lock = dir.path() + QStringLiteral("/lock");
    Db::prepareEnvironment(lock);
    try {
        run(dir.path());
    } catch (const Error& e) {
        std::fprintf(stderr, "error: %s\n", qPrintable(e.message()));
        return 1;
    }
    const QStringList names = QSqlDatabase::connectionNames();
    for (const QString& name : names)
        QSqlDatabase::removeDatabase(name);
    return 0;
}
