// Test all, send all and receive all against simulated controllers and an embedded installation.
#include "installation.h"
#include "simports.h"
#include "transferencias.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcolecciontarjeta.h"

#include <QSignalSpy>
#include <QTest>

using namespace kestrum;
using kestrum::ops::TestTodos;

class TstTransferencias : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void testAll();

private:
    static constexpr int SIMS = 3;
    template <class F> auto sim(int n, F&& f) { return sim_->host().with(n, std::forward<F>(f)); }
    void addController(int cod, int puerto) {
        inst_->sql(QStringLiteral("INSERT INTO dorqcontrolador(cod,puerto_serie,tipo,descripcion) "
                                  "VALUES(:c,:p,'Null',:d)"),
                   {{"c", cod}, {"p", puerto}, {"d", QStringLiteral("Door %1").arg(cod)}});
    }
    std::unique_ptr<test::Installation> inst_;
    std::unique_ptr<test::SimPorts> sim_;
};

void TstTransferencias::initTestCase() {
    inst_ = std::make_unique<test::Installation>();
}

void TstTransferencias::init() {
    inst_->reset();
    sim_ = std::make_unique<test::SimPorts>(SIMS);
}

void TstTransferencias::cleanup() {
    inst_->close();
    sim_.reset();
}

void TstTransferencias::cleanupTestCase() {
    inst_.reset();
}

void TstTransferencias::testAll() {
    addController(1, 1);
    addController(2, 2);
    addController(3, 99); // no such device
    addController(4, 3);
    sim(2, [](sim::SimController& c) { c.setSilent(true); });
    sim(3, [](sim::SimController& c) {
        c.setSetup({.state = 2, .lockTime = 5, .openTime = 10, .version = 21});
    });
    store::DORQSistema& s = inst_->open();
    TestTodos test(s);
    QSignalSpy resultados(&test, &TestTodos::resultado);
    const auto r = test.ejecuta();
    QCOMPARE(r.size(), std::size_t(4));
    QCOMPARE(resultados.count(), 4);
    QList<int> numeros;
    QList<int> ok;
    for (const auto& x : r) {
        numeros << x.numero;
        ok << x.info.Ok;
    }
    QCOMPARE(numeros, (QList<int>{1, 2, 3, 4}));
    QCOMPARE(ok, (QList<int>{1, 0, 0, 1}));
    QCOMPARE(r[3].info.Version, 21);
    // Only the port that did not open says why; a silent controller has an open port.
    QVERIFY(r[0].errorPuerto.isEmpty());
    QVERIFY(r[1].errorPuerto.isEmpty());
    QVERIFY2(r[2].errorPuerto.contains(QLatin1String("ttyS98")), qPrintable(r[2].errorPuerto));

    // A chosen list keeps its order; a number the store does not have did not answer.
    const auto some = test.ejecuta({4, 7, 1});
    QCOMPARE(some.size(), std::size_t(3));
    QCOMPARE(some[0].numero, 4);
    QCOMPARE(some[0].info.Ok, 1);
    QCOMPARE(some[1].numero, 7);
    QCOMPARE(some[1].info.Ok, 0);
    QCOMPARE(some[2].info.Ok, 1);
}

QTEST_GUILESS_MAIN(TstTransferencias)
#include "tst_transferencias.moc"
