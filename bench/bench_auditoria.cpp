// The readers' audit against simulated controllers that pace their bytes at the wire speed, printed,
// not asserted: every reader audited at once against one reader audited alone, measured the same
// way (the readers are read at the same time on their own ports, so the ratio stays near 1).
// Usage: bench_auditoria [--controllers 8] [--cards 500] [--rounds 1]
#include "auditoria.h"
#include "benchdata.h"
#include "installation.h"
#include "simports.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

using namespace kestrum;

namespace {

QString code(int controller, int i) {
    return QStringLiteral("%1").arg(static_cast<qint64>(controller) * 100000000 + i, 10, 10,
                                    QLatin1Char('0'));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption controllersOpt("controllers", "Readers audited at once.", "n", "8");
    const QCommandLineOption cardsOpt("cards", "Cards in each reader.", "n", "500");
    const QCommandLineOption roundsOpt("rounds", "Runs of each measurement; the fastest counts.", "n", "1");
    parser.addOptions({controllersOpt, cardsOpt, roundsOpt});
    parser.process(app);
    const int controllers = std::max(1, parser.value(controllersOpt).toInt());
    const int cards = std::max(1, parser.value(cardsOpt).toInt());
    const int rounds = std::max(1, parser.value(roundsOpt).toInt());

    test::Installation inst;
    test::SimPorts sims(controllers);
    QList<QVariantMap> cardRows;
    QList<QVariantMap> assignmentRows;
    for (int n = 1; n <= controllers; ++n) {
        inst.sql(
            QStringLiteral(
                "INSERT INTO dorqcontrolador(cod,puerto_serie,tipo,descripcion) VALUES(:c,:c,'Null','')"),
            {{"c", n}});
        QStringList memory;
        for (int i = 0; i < cards; ++i) {
            cardRows << QVariantMap{{"c", code(n, i)}};
            assignmentRows << QVariantMap{{"t", code(n, i)}, {"c", n}};
            memory << code(n, i);
        }
        sims.host().with(n, [&](sim::SimController& c) {
            c.setMemory(memory);
            c.setSetup({.state = 2, .lockTime = 5, .openTime = 10, .version = 21});
            c.setPacing(true);
        });
    }
    inst.batch(QStringLiteral("INSERT INTO dorqtarjeta(codigo_tarjeta,usuario) VALUES(:c,-1)"), cardRows);
    inst.batch(QStringLiteral("INSERT INTO dorqcontroladortarjeta VALUES(:t,:c,'S')"), assignmentRows);
    store::DORQSistema& s = inst.open();

    auto audit = [&](const QList<int>& numeros) {
        ops::Auditoria auditoria(s);
        int agree = 0;
        const double ms = bench::bestOf(rounds, [&] {
            agree = 0;
            for (const auto& r : auditoria.ejecuta(numeros))
                agree += r.coincide() ? 1 : 0;
        });
        return std::make_pair(ms / 1000, agree);
    };
    const auto [alone, agreeAlone] = audit({1});
    std::printf("audit: 1 reader x %d cards alone: %.1f s (%d agrees)\n", cards, alone, agreeAlone);
    std::fflush(stdout);
    const auto [all, agreeAll] = audit({});
    std::printf("audit: %d readers x %d cards at once: %.1f s (%d agree), ratio to one reader alone %.3f\n",
                controllers, cards, all, agreeAll, all / alone);
    std::fflush(stdout);
    inst.close();
    return 0;
}
