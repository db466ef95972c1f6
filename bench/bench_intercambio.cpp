// Spreadsheet benchmarks, printed, not asserted: an import of 10,000 rows (10,000 cards, 5,000
// holders, 2 controllers ticked) into an empty installation against the floor of the same rows
// written by one prepared statement per table in one transaction (goal: ratio <= 3); and the export
// of the 20,000-card installation to .xlsx (goal: under 2 s).
#include "benchdata.h"
#include "dbconnection.h"
#include "hojas.h"
#include "intercambio.h"
#include "schema.h"
#include "udorqserver.h"
#include "udorqsistema.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

using namespace kestrum;
using namespace kestrum::store;

namespace {

constexpr int ROWS = 10000;

std::vector<FilaHoja> sheet() {
    std::vector<FilaHoja> filas;
    for (int i = 0; i < ROWS; ++i)
        filas.push_back({QString::number(100000 + i), QStringLiteral("Name%1").arg(i / 2),
                         QStringLiteral("Surname %1").arg(i / 2)});
    return filas;
}

QString fresh(const QString& folder, const QString& name) {
    const QString path = folder + QLatin1Char('/') + name;
    schema::createInstallation(path);
    QSqlDatabase db = Db::connect(path);
    for (int c = 1; c <= 2; ++c)
        Db::exec(
            db, QStringLiteral(
                    "INSERT INTO DORQCONTROLADOR(COD,PUERTO_SERIE,DESCRIPCION,TIPO) VALUES(%1,%1,'D','Null')")
                    .arg(c));
    Db::disconnect(db);
    return path;
}

double floorOf(const QString& path, const std::vector<FilaHoja>& filas) {
    QSqlDatabase db = Db::connect(path);
    QElapsedTimer t;
    t.start();
    db.transaction();
    Query u(db), c(db), a(db);
    u.prepare(QStringLiteral(
        "INSERT INTO DORQUSUARIO(ID,NOMBRE,APELLIDOS,PERMANENTE,FOTOGRAFIA) VALUES(:id,:n,:a,'S','')"));
    c.prepare(
        QStringLiteral("INSERT INTO DORQTARJETA(CODIGO_TARJETA,BLOQUEADO,FECHA_ALTA,FECHA_CADUCIDAD,USUARIO,"
                       "USAR_FECHA_CAD) VALUES(:c,'N',:t,NULL,:u,'N')"));
    a.prepare(QStringLiteral("INSERT INTO DORQCONTROLADORTARJETA VALUES(:c,:x,'N')"));
    const QDateTime ahora = QDateTime::currentDateTime();
    for (std::size_t i = 0; i < filas.size(); ++i) {
        const int id = static_cast<int>(i / 2) + 1;
        if (i % 2 == 0)
            u.bind(QStringLiteral("id"), id)
                .bind(QStringLiteral("n"), filas[i].nombre)
                .bind(QStringLiteral("a"), filas[i].apellidos)
                .exec();
        const QString code = codigoImportado(filas[i].codigo);
        c.bind(QStringLiteral("c"), code)
            .bind(QStringLiteral("t"), ahora)
            .bind(QStringLiteral("u"), id)
            .exec();
        for (int x = 1; x <= 2; ++x)
            a.bind(QStringLiteral("c"), code).bind(QStringLiteral("x"), x).exec();
    }
    db.commit();
    const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
    Db::disconnect(db);
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    Db::prepareEnvironment(dir.path() + QStringLiteral("/lock"));
    try {
        const std::vector<FilaHoja> filas = sheet();
        const QString archivo = dir.path() + QStringLiteral("/rows.xlsx");
        escribeHoja(archivo, {"Card", "Name", "Surname"}, filas);
        const double floor = floorOf(fresh(dir.path(), QStringLiteral("FLOOR.FDB")), filas);
        DORQServer server;
        DORQSistema sistema(fresh(dir.path(), QStringLiteral("INSTALACION_1.FDB")), &server);
        sistema.Abre();
        QElapsedTimer t;
        t.start();
        const std::vector<FilaHoja> leidas = filasAImportar(leeHoja(archivo));
        const double lectura = static_cast<double>(t.nsecsElapsed()) / 1e6;
        const ResultadoImportacion r = importaFilas(sistema, leidas, {1, 2}, false);
        const double importa = static_cast<double>(t.nsecsElapsed()) / 1e6;
        std::printf(
            "import of %d rows (%d cards, %d holders, 2 controllers): %.0f ms (reading the .xlsx %.0f ms); "
            "floor %.0f ms; ratio %.2f (goal <= 3)\n",
            ROWS, r.anyadidas, r.titulares, importa, lectura, floor, importa / floor);
        sistema.Cierra();

        const QString grande = dir.path() + QStringLiteral("/BIG.FDB");
        schema::createInstallation(grande);
        {
            QSqlDatabase db = Db::connect(grande);
            bench::fillInstallation(db);
            Db::disconnect(db);
        }
        DORQSistema big(grande, &server);
        big.Abre();
        t.restart();
        const std::vector<FilaHoja> salida = filasExportacion(big);
        escribeHoja(dir.path() + QStringLiteral("/out.xlsx"), {"Card", "Name", "Surname"}, salida);
        std::printf("export of %zu cards to .xlsx: %.0f ms (goal: under 2000 ms)\n", salida.size(),
                    static_cast<double>(t.nsecsElapsed()) / 1e6);
        big.Cierra();
    } catch (const Error& e) {
        std::fprintf(stderr, "error: %s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
