// A card and its controllers: the rows follow what each controller acknowledged.
#include "distribucion.h"
#include "installation.h"
#include "simports.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcolecciontarjeta.h"
#include "udorqcontrolador.h"

#include <QTest>

using namespace kestrum;
using namespace kestrum::store;

class TestDistribucion : public QObject {
    Q_OBJECT
private slots:
    void init() { inst_ = std::make_unique<test::Installation>(); }
    void cleanup() { inst_.reset(); }
    void retryPending_data();
    void retryPending();
    void retryGoesToTheCurrentController();
    void sendToChosenReaders();
    void eraseDropsOnlyAcknowledgedRows();

private:
    DORQColeccionTarjeta& tarjetas() { return *inst_->sistema().Tarjetas(); }
    void addController(int cod, int puerto) {
        inst_->sql(
            QStringLiteral(
                "INSERT INTO dorqcontrolador(cod,puerto_serie,tipo,descripcion) VALUES(:c,:p,'Null','')"),
            {{"c", cod}, {"p", puerto}});
    }
    void addCard(const QString& code, int usuario = -1) {
        inst_->sql(QStringLiteral("INSERT INTO dorqtarjeta VALUES(:c,'N',NULL,NULL,:u,'N')"),
                   {{"c", code}, {"u", usuario}});
    }
    void addAssignment(const QString& card, int controller, const char* mark) {
        inst_->sql(QStringLiteral("INSERT INTO dorqcontroladortarjeta VALUES(:t,:c,:m)"),
                   {{"t", card}, {"c", controller}, {"m", QLatin1String(mark)}});
    }
    QStringList assignmentRows() {
        return inst_->rows(
            QStringLiteral("SELECT tarjeta,controlador,\"_STOREDINHW\" FROM dorqcontroladortarjeta "
                           "ORDER BY tarjeta,controlador"));
    }
    std::unique_ptr<test::Installation> inst_;
};

void TestDistribucion::retryPending_data() {
    QTest::addColumn<bool>("refuse");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("both acknowledge")
        << false << true
        << QStringList{"0012345678|1|S", "0012345678|4|S", "0012345678|9|N", "0099999999|1|N"};
    QTest::newRow("controller 4 refuses")
        << true << false
        << QStringList{"0012345678|1|S", "0012345678|4|N", "0012345678|9|N", "0099999999|1|N"};
}

void TestDistribucion::retryPending() {
    QFETCH(bool, refuse);
    QFETCH(bool, result);
    QFETCH(QStringList, rows);
    test::SimPorts sim(2);
    addController(1, 1);
    addController(4, 2);
    addCard(QStringLiteral("0012345678"), -1);
    addAssignment(QStringLiteral("0012345678"), 1, "N");
    addAssignment(QStringLiteral("0012345678"), 4, "N");
    addAssignment(QStringLiteral("0012345678"), 9, "N"); // no controller 9: skipped
    addAssignment(QStringLiteral("0099999999"), 1, "N");
    DORQSistema& s = inst_->open();
    s.Arranca();
    if (refuse)
        sim.host().with(2, [](sim::SimController& c) { c.refuse(97); });
    QCOMPARE(ops::Reintenta_Pendientes(tarjetas(), *tarjetas().Busca_Tarjeta(QStringLiteral("0012345678"))),
             result);
    QCOMPARE(assignmentRows(), rows);
    for (int n : {1, 2}) {
        QCOMPARE(sim.host().with(n, [](sim::SimController& c) { return c.commandCount(97); }), 1);
        QCOMPARE(sim.host().with(n, [](sim::SimController& c) { return c.lastCommandData(97); }),
                 test::bytes("00 12 34 56 78"));
    }
}

void TestDistribucion::retryGoesToTheCurrentController() {
    test::SimPorts sim(1);
    addController(1, 1);
    addCard(QStringLiteral("0000000042"), -1);
    addAssignment(QStringLiteral("0000000042"), 1, "N");
    DORQSistema& s = inst_->open();
    s.Arranca();
    const auto card = tarjetas().Busca_Tarjeta(QStringLiteral("0000000042"));
    DORQColeccionControlador& controladores = *s.Controladores();
    controladores.Carga(); // the entity the card was loaded with is replaced and its port closed

    QVERIFY(!ops::Reintenta_Pendientes(tarjetas(), *card)); // the new entity has no link yet
    QCOMPARE(assignmentRows(), QStringList{"0000000042|1|N"});
    QVERIFY(controladores.Busca_Controlador(1)->Conecta());
    QVERIFY(ops::Reintenta_Pendientes(tarjetas(), *card));
    QCOMPARE(assignmentRows(), QStringList{"0000000042|1|S"});
    QCOMPARE(sim.host().with(1, [](sim::SimController& c) { return c.memory(); }), QStringList{"0000000042"});
}

// Each chosen reader is tested and sent the card; its row tells whether it acknowledged, a row an
// earlier erase left behind becomes "S" when acknowledged, an unknown reader is skipped.
void TestDistribucion::sendToChosenReaders() {
    test::SimPorts sim(3);
    for (int n : {1, 2, 3})
        addController(n, n);
    addCard(QStringLiteral("0000000077"));
    addAssignment(QStringLiteral("0000000077"), 3, "N");
    DORQSistema& s = inst_->open();
    s.Arranca();
    sim.host().with(2, [](sim::SimController& c) { c.setSilent(true); });
    const auto card = tarjetas().Busca_Tarjeta(QStringLiteral("0000000077"));
    QCOMPARE(ops::Envia_A_Lectores(s, *card, {1, 2, 3, 8}), QList<int>{2});
    QCOMPARE(assignmentRows(), (QStringList{"0000000077|1|S", "0000000077|2|N", "0000000077|3|S"}));
    for (int n : {1, 3})
        QCOMPARE(sim.host().with(n, [](sim::SimController& c) { return c.memory(); }),
                 QStringList{"0000000077"});
}

void TestDistribucion::eraseDropsOnlyAcknowledgedRows() {
    test::SimPorts sim(2);
    addController(1, 1);
    addController(2, 2);
    addCard(QStringLiteral("0000000055"));
    for (int n : {1, 2, 9})
        addAssignment(QStringLiteral("0000000055"), n, "S");
    DORQSistema& s = inst_->open();
    s.Arranca();
    for (int n : {1, 2})
        sim.host().with(n, [](sim::SimController& c) { c.setMemory({QStringLiteral("0000000055")}); });
    sim.host().with(2, [](sim::SimController& c) { c.refuse(65, 1); }); // the release's second try passes
    const ops::TBorrado once =
        ops::Borra_De_Controladores(*tarjetas().Busca_Tarjeta(QStringLiteral("0000000055")));
    QCOMPARE(once.confirmados, 1);
    QVERIFY(!once.todos);
    QCOMPARE(once.retenida, (std::vector<int>{2, 9}));
    QCOMPARE(assignmentRows(), (QStringList{"0000000055|2|S", "0000000055|9|S"}));
    tarjetas().Carga();
    sim.host().with(2, [](sim::SimController& c) { c.refuse(65, 1); });
    const ops::TBorrado released =
        ops::Libera_Tarjeta(*tarjetas().Busca_Tarjeta(QStringLiteral("0000000055")));
    QCOMPARE(released.retenida, std::vector<int>{9});
    QCOMPARE(assignmentRows(), QStringList{"0000000055|9|S"});
    QCOMPARE(sim.host().with(2, [](sim::SimController& c) { return c.memory(); }), QStringList{});
}

QTEST_GUILESS_MAIN(TestDistribucion)
#include "tst_distribucion.moc"
