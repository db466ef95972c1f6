// The per-port runner against simulated controllers on pseudo-terminals.
#include "portrunner.h"
#include "simports.h"
#include "timings.h"
#include "udorqcontrolador.h"

#include <QTest>
#include <stdexcept>

using namespace kestrum;
using kestrum::link::DORQComunicador;
using kestrum::link::Trama_GenVorna;
using kestrum::ops::PortRunner;

namespace {

std::shared_ptr<store::DORQControlador> controlador(int cod, int puerto) {
    auto c = std::make_shared<store::DORQControlador>();
    c->setCod(cod);
    c->setPuerto_serie(puerto);
    return c;
}

// The runner's own account of what it did, in order: "i1" when controller 1's command starts, "f1"
// when it ends ("f1-" when nothing answered).
struct Diario {
    QStringList eventos;
    explicit Diario(PortRunner& r) {
        QObject::connect(&r, &PortRunner::inicio,
                         [this](const QString&, int n, quint8) { eventos << QStringLiteral("i%1").arg(n); });
        QObject::connect(&r, &PortRunner::fin, [this](const QString&, int n, quint8, bool respondio) {
            eventos << QStringLiteral("f%1%2").arg(n).arg(respondio ? "" : "-");
        });
    }
};

} // namespace

class TstPortRunner : public QObject {
    Q_OBJECT
private slots:
    void init() { sim_ = std::make_unique<test::SimPorts>(2); }
    void cleanup() { sim_.reset(); }

    void linksRunAtTheSameTime();
    void oneLinkKeepsItsOrder();
    void failuresWithoutTheLink_data();
    void failuresWithoutTheLink();
    void cancelStopsEveryQueue();
    void anErrorInHechoComesOutOfEspera();

private:
    template <class F> void sim(int n, F&& f) { sim_->host().with(n, std::forward<F>(f)); }
    void slow(int n) {
        // A reply slower than any timer's jitter: two transactions in flight overlap for sure.
        sim(n, [](sim::SimController& c) { c.setReplyDelay(timings().scale(150)); });
    }
    std::unique_ptr<test::SimPorts> sim_;
};

void TstPortRunner::linksRunAtTheSameTime() {
    slow(1);
    slow(2);
    PortRunner runner;
    Diario diario(runner);
    const auto c1 = controlador(1, 1);
    const auto c2 = controlador(2, 2);
    int answered = 0;
    auto test = [&](const Trama_GenVorna& r) { answered += DORQComunicador::Decodifica_Test(r).Ok; };
    for (int i = 0; i < 2; ++i) {
        runner.encola(c1, DORQComunicador::Orden_Testear(), test);
        runner.encola(c2, DORQComunicador::Orden_Testear(), test);
    }
    QVERIFY(runner.ocupado());
    runner.espera();
    QVERIFY(!runner.ocupado());
    // Neither controller was connected: the runner opened both links.
    QCOMPARE(answered, 4);
    // The second link started before the first one's first command ended.
    QVERIFY2(diario.eventos.indexOf("i2") < diario.eventos.indexOf("f1"),
             qPrintable(diario.eventos.join(' ')));
}

void TstPortRunner::oneLinkKeepsItsOrder() {
    slow(1);
    PortRunner runner;
    Diario diario(runner);
    // Two controllers naming one port: one line, one queue.
    const auto a = controlador(1, 1);
    const auto b = controlador(2, 1);
    const QStringList cards{"0000000011", "0000000022", "0000000033", "0000000044"};
    int confirmed = 0;
    for (int i = 0; i < cards.size(); ++i) {
        runner.encola(i % 2 ? b : a, DORQComunicador::Orden_Enviar(cards[i]),
                      [&](const Trama_GenVorna& r) { confirmed += DORQComunicador::Confirmado(r); });
    }
    runner.espera();
    QCOMPARE(confirmed, 4);
    QCOMPARE(diario.eventos.join(' '), QStringLiteral("i1 f1 i2 f2 i1 f1 i2 f2"));
    QStringList memory;
    sim_->host().with(1, [&](sim::SimController& c) { memory = c.memory(); });
    QCOMPARE(memory, cards);
}

void TstPortRunner::failuresWithoutTheLink_data() {
    QTest::addColumn<int>("puerto");
    QTest::addColumn<QString>("card");
    QTest::newRow("invalid card") << 1 << "12A4";
    QTest::newRow("eleven digits") << 1 << "12345678901";
    QTest::newRow("port that does not open") << 99 << "1234";
}

void TstPortRunner::failuresWithoutTheLink() {
    QFETCH(int, puerto);
    QFETCH(QString, card);
    PortRunner runner;
    Diario diario(runner);
    const auto c = controlador(1, puerto);
    int hechos = 0;
    Trama_GenVorna reply{};
    runner.encola(c, DORQComunicador::Orden_Enviar(card), [&](const Trama_GenVorna& r) {
        ++hechos;
        reply = r;
    });
    runner.espera();
    QCOMPARE(hechos, 1);
    QVERIFY(!DORQComunicador::Confirmado(reply));
    QCOMPARE(diario.eventos.join(' '), QStringLiteral("i1 f1-"));
    int sent = -1;
    sim_->host().with(1, [&](sim::SimController& s) { sent = s.commandCount(97); });
    QCOMPARE(sent, 0);
}

void TstPortRunner::cancelStopsEveryQueue() {
    slow(1);
    slow(2);
    PortRunner runner;
    Diario diario(runner);
    const auto c1 = controlador(1, 1);
    const auto c2 = controlador(2, 2);
    int hechos = 0;
    for (int i = 0; i < 3; ++i) {
        runner.encola(c1, DORQComunicador::Orden_Testear(), [&](const Trama_GenVorna&) {
            ++hechos;
            runner.cancela();
            // Work queued after the cancel is dropped as well.
            runner.encola(c1, DORQComunicador::Orden_Testear(), [&](const Trama_GenVorna&) { ++hechos; });
        });
        runner.encola(c2, DORQComunicador::Orden_Testear(), [&](const Trama_GenVorna&) { ++hechos; });
    }
    runner.espera();
    QVERIFY(runner.cancelado());
    // Each link ran its first command only; the one in flight on link 2 ended and reported.
    QCOMPARE(hechos, 2);
    QCOMPARE(diario.eventos.count(QStringLiteral("i1")) + diario.eventos.count(QStringLiteral("i2")), 2);
    QCOMPARE(diario.eventos.count(QStringLiteral("f1")) + diario.eventos.count(QStringLiteral("f2")), 2);
    for (int n = 1; n <= 2; ++n) {
        int tests = -1;
        sim_->host().with(n, [&](sim::SimController& s) { tests = s.commandCount(27); });
        QCOMPARE(tests, 1);
    }
    // Work queued on the idle runner starts a new run.
    runner.encola(c2, DORQComunicador::Orden_Testear(), [&](const Trama_GenVorna&) { ++hechos; });
    runner.espera();
    QVERIFY(!runner.cancelado());
    QCOMPARE(hechos, 3);
}

void TstPortRunner::anErrorInHechoComesOutOfEspera() {
    slow(2);
    PortRunner runner;
    const auto c1 = controlador(1, 1);
    const auto c2 = controlador(2, 2);
    int hechos = 0;
    runner.encola(c1, DORQComunicador::Orden_Testear(),
                  [](const Trama_GenVorna&) { throw std::runtime_error("the database refused"); });
    for (int i = 0; i < 3; ++i) {
        runner.encola(c1, DORQComunicador::Orden_Testear(), [&](const Trama_GenVorna&) { ++hechos; });
        runner.encola(c2, DORQComunicador::Orden_Testear(), [&](const Trama_GenVorna&) { ++hechos; });
    }
    try {
        runner.espera();
        QFAIL("espera() returned without the error");
    } catch (const std::runtime_error& e) {
        QCOMPARE(QString::fromLatin1(e.what()), QStringLiteral("the database refused"));
    }
    QVERIFY(!runner.ocupado());
    // Link 1 stopped after the failing one; link 2 at most finished the command it had in flight.
    QVERIFY(hechos <= 1);
    runner.espera(); // the error came out once
}

QTEST_GUILESS_MAIN(TstPortRunner)
#include "tst_portrunner.moc"
