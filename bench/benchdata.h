// The large installation the benchmarks measure against: 10,000 holders, 20,000 cards and 40,000
// assignments over 8 controllers, written with plain SQL in transactions. One card in ten is free,
// one in four uses its expiry date, one assignment in seven is pending.
#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QVariantMap>
#include <functional>

namespace kestrum::bench {

inline constexpr int HOLDERS = 10000;
inline constexpr int CARDS = 20000;
inline constexpr int CONTROLLERS = 8;

QString cardCode(int i);
void insertAll(const QSqlDatabase& db, const QString& sql, int count,
               const std::function<QVariantMap(int)>& row);
void fillHolders(const QSqlDatabase& db);
void fillInstallation(const QSqlDatabase& db); // holders, controllers, cards and assignments

// The fastest of `rounds` runs, in milliseconds.
double bestOf(int rounds, const std::function<void()>& run);

} // namespace kestrum::bench
