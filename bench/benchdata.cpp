#include "benchdata.h"

#include "dbconnection.h"
#include "udorqtarjeta.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <algorithm>

namespace kestrum::bench {

QString cardCode(int i) {
    return store::DORQTarjeta::Rellena_Codigo(QString::number(i));
}

void insertAll(const QSqlDatabase& db, const QString& sql, int count,
               const std::function<QVariantMap(int)>& row) {
    QSqlDatabase d = db;
    d.transaction();
    store::Query q(d);
    q.prepare(sql);
    for (int i = 0; i < count; ++i) {
        const QVariantMap values = row(i);
        for (auto it = values.begin(); it != values.end(); ++it)
            q.bind(it.key(), it.value());
        q.exec();
    }
    d.commit();
}

void fillHolders(const QSqlDatabase& db) {
    insertAll(db, QStringLiteral("INSERT INTO dorqusuario VALUES(:id,:n,:a,'S',:f)"), HOLDERS, [](int i) {
        return QVariantMap{{QStringLiteral("id"), i + 1},
                           {QStringLiteral("n"), QStringLiteral("Nombre %1").arg(i)},
                           {QStringLiteral("a"), QStringLiteral("Apellido Apellido %1").arg(i)},
                           {QStringLiteral("f"), i % 3 ? QString() : QStringLiteral("foto%1.jpg").arg(i)}};
    });
}

void fillInstallation(const QSqlDatabase& db) {
    fillHolders(db);
    insertAll(db, QStringLiteral("INSERT INTO dorqcontrolador VALUES(:c,:p,0,'Null',:d)"), CONTROLLERS,
              [](int i) {
                  return QVariantMap{{QStringLiteral("c"), i + 1},
                                     {QStringLiteral("p"), i + 1},
                                     {QStringLiteral("d"), QStringLiteral("Puerta %1").arg(i + 1)}};
              });
    const QDateTime alta(QDate(2024, 1, 1), QTime(8, 0));
    insertAll(
        db, QStringLiteral("INSERT INTO dorqtarjeta VALUES(:c,'N',:alta,:cad,:u,:usar)"), CARDS, [&](int i) {
            return QVariantMap{{QStringLiteral("c"), cardCode(i)},
                               {QStringLiteral("alta"), alta.addSecs(i)},
                               {QStringLiteral("cad"), alta.addDays(365)},
                               {QStringLiteral("u"), i % 10 == 0 ? -1 : i % HOLDERS + 1},
                               {QStringLiteral("usar"), i % 4 ? QStringLiteral("N") : QStringLiteral("S")}};
        });
    insertAll(
        db, QStringLiteral("INSERT INTO dorqcontroladortarjeta VALUES(:t,:c,:m)"), 2 * CARDS, [](int i) {
            const int card = i / 2;
            return QVariantMap{{QStringLiteral("t"), cardCode(card)},
                               {QStringLiteral("c"), (card + i % 2 * 3) % CONTROLLERS + 1},
                               {QStringLiteral("m"), i % 7 ? QStringLiteral("S") : QStringLiteral("N")}};
        });
}

double bestOf(int rounds, const std::function<void()>& run) {
    double best = 1e300;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        run();
        best = std::min(best, static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    return best;
}

} // namespace kestrum::bench
