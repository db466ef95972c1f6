// Attendance benchmark, printed, not asserted: one holder's month computed from an event log where
// that holder has 100,000 events (50 a day over 2,000 days) among 100,000 of other holders, against
// the floor of the same query alone; and the plan the engine chose for it after the installation was
// opened (which refreshes the log's index figures).
#include "benchdata.h"
#include "dbconnection.h"
#include "presencia.h"
#include "schema.h"
#include "udorqcoleccionincidencia.h"
#include "udorqserver.h"
#include "udorqsistema.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>

using namespace kestrum;
using kestrum::bench::bestOf;
using namespace kestrum::store;

namespace {

constexpr int DAYS = 2000;
constexpr int PER_DAY = 50;
const QDate FIRST(2020, 1, 1);

void fill(const QSqlDatabase& db) {
    bench::fillHolders(db);
    for (int c = 1; c <= 2; ++c)
        Db::exec(db, QStringLiteral(
                         "INSERT INTO DORQCONTROLADOR(COD,PUERTO_SERIE,DESCRIPCION,TIPO) VALUES(%1,%1,'Door "
                         "%1','%2')")
                         .arg(c)
                         .arg(c == 1 ? QStringLiteral("ENTRADA") : QStringLiteral("SALIDA")));
    const QString sql = QStringLiteral("INSERT INTO DORQINCIDENCIA(COD,CONTROLADOR,\"TIMESTAMP\",EVENTO,USR) "
                                       "VALUES(:cod,:c,:t,1,:u)");
    // Holder 1's passages and as many of other holders, interleaved as a log records them.
    bench::insertAll(db, sql, 2 * DAYS * PER_DAY, [](int i) {
        const int n = i / 2;
        const QDateTime t(FIRST.addDays(n / PER_DAY), QTime(7, 0).addSecs((n % PER_DAY) * 600));
        return QVariantMap{{QStringLiteral("cod"), i + 1},
                           {QStringLiteral("c"), 1 + n % 2},
                           {QStringLiteral("t"), t},
                           {QStringLiteral("u"), i % 2 == 0 ? 1 : 2 + n % 5000}};
    });
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString lock = dir.path() + QStringLiteral("/lock");
    Db::prepareEnvironment(lock);
    const QString path = dir.path() + QStringLiteral("/INSTALACION_1.FDB");
    const QDate month(2022, 6, 15);
    try {
        schema::createInstallation(path);
        {
            QSqlDatabase db = Db::connect(path);
            QElapsedTimer t;
            t.start();
            fill(db);
            std::printf("setup: %d events written in %.1f s\n", 2 * DAYS * PER_DAY,
                        static_cast<double>(t.elapsed()) / 1000.0);
            Db::disconnect(db);
        }
        DORQServer server;
        {
            DORQSistema sistema(path, &server);
            sistema.Abre();
            sistema.Arranca();
            std::size_t rows = 0;
            const double list = bestOf(5, [&] {
                rows = ui::Obtener_Valores_Entrada_Salida(sistema, 1, month, true, QString()).size();
            });
            int events = 0;
            const double floor = bestOf(5, [&] {
                Query q(sistema.db());
                q.prepare(
                     QStringLiteral("select cod,controlador,tarjeta,\"TIMESTAMP\",descripcion,evento,usr,"
                                    "hist_controlador from dorqincidencia where \"TIMESTAMP\" >= :a and "
                                    "\"TIMESTAMP\" <= :b and usr = :u order by usr, \"TIMESTAMP\""))
                    .bind(QStringLiteral("a"), QDateTime(QDate(2022, 6, 1), QTime(0, 0, 1)))
                    .bind(QStringLiteral("b"), QDateTime(QDate(2022, 6, 30), QTime(23, 59, 59)))
                    .bind(QStringLiteral("u"), 1)
                    .exec();
                events = 0;
                while (q.next())
                    ++events;
            });
            std::printf(
                "attendance month (%zu rows, %d events of the holder): %.1f ms; the query alone %.1f ms; "
                "ratio %.2f\n",
                rows, events, list, floor, list / floor);
            sistema.Cierra();
        }
        QProcess isql;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("FIREBIRD_LOCK"), lock);
        isql.setProcessEnvironment(env);
        isql.start(QStringLiteral("isql-fb"),
                   {QStringLiteral("-q"), QStringLiteral("-user"), QStringLiteral("SYSDBA"), path});
        isql.write("SET PLANONLY ON;\nselect cod from dorqincidencia where \"TIMESTAMP\" >= '2022-06-01 "
                   "00:00:01' and "
                   "\"TIMESTAMP\" <= '2022-06-30 23:59:59' and usr = 1 order by usr, \"TIMESTAMP\";\n");
        isql.closeWriteChannel();
        isql.waitForFinished(60000);
        std::printf("plan: %s\n", isql.readAllStandardOutput().trimmed().constData());
    } catch (const Error& e) {
        std::fprintf(stderr, "error: %s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
