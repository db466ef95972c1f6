// The controllers store on an embedded installation database, with simulated controllers.
#include "installation.h"
#include "simports.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcolecciontarjeta.h"
#include "udorqcontrolador.h"

#include <QTest>
#include <functional>

using namespace kestrum;
using namespace kestrum::store;

using Operation = std::function<void(DORQColeccionControlador&, const DORQControlador&)>;
Q_DECLARE_METATYPE(Operation)

class TestColeccionControlador : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void createAndExists();
    void loadsInOrder_data();
    void loadsInOrder();
    void modifyReplacesTheEntities();
    void deleteAndLookups();
    void assignmentStatements_data();
    void assignmentStatements();
    void connects();
    void portThatDoesNotOpen();
    void cardsOfAController();

private:
    DORQColeccionControlador& controladores() { return *inst_->sistema().Controladores(); }
    void addController(int cod, int puerto, const QString& descripcion,
                       const QString& tipo = QStringLiteral("Null")) {
        inst_->sql(QStringLiteral(
                       "INSERT INTO dorqcontrolador(cod,puerto_serie,tipo,descripcion) VALUES(:c,:p,:t,:d)"),
                   {{"c", cod}, {"p", puerto}, {"t", tipo}, {"d", descripcion}});
    }
    void addAssignment(const char* card, int controller, const char* mark) {
        inst_->sql(QStringLiteral("INSERT INTO dorqcontroladortarjeta VALUES(:t,:c,:m)"),
                   {{"t", QLatin1String(card)}, {"c", controller}, {"m", QLatin1String(mark)}});
    }
    std::unique_ptr<test::Installation> inst_;
};

void TestColeccionControlador::initTestCase() {
    inst_ = std::make_unique<test::Installation>();
}

void TestColeccionControlador::init() {
    inst_->reset();
}

void TestColeccionControlador::cleanup() {
    inst_->close();
}

void TestColeccionControlador::cleanupTestCase() {
    inst_.reset();
}

void TestColeccionControlador::createAndExists() {
    inst_->open();
    DORQControlador nuevo;
    nuevo.setCod(5);
    nuevo.setPuerto_serie(2);
    nuevo.setDescripcion(QStringLiteral("Puerta 'norte'"));
    nuevo.setTipo(QStringLiteral("ENTRADA")); // not written: a new controller has no role
    controladores().Crea_Controlador(nuevo);
    QCOMPARE(inst_->rows(QStringLiteral("SELECT cod,puerto_serie,tiempo_pta_abierta,tipo,descripcion "
                                        "FROM dorqcontrolador")),
             QStringList{QStringLiteral("5|2|0|Null|Puerta 'norte'")});
    QCOMPARE(controladores().Cuenta(), 1);
    const auto c = controladores().Controlador(0);
    QCOMPARE(c->tipo(), QStringLiteral("Null"));
    QCOMPARE(c->puerto_serie(), QStringLiteral("2"));
    QCOMPARE(c->descripcion(), QStringLiteral("Puerta 'norte'"));

    QVERIFY(controladores().Existe_Controlador(QStringLiteral("5")));
    QVERIFY(!controladores().Existe_Controlador(QStringLiteral("2")));
    QVERIFY(controladores().Existe_Puerto(QStringLiteral("2")));
    QVERIFY(!controladores().Existe_Puerto(QStringLiteral("5")));
    QVERIFY_THROWS_EXCEPTION(DbError, controladores().Crea_Controlador(nuevo)); // same number
}

void TestColeccionControlador::loadsInOrder_data() {
    QTest::addColumn<QString>("orden");
    QTest::addColumn<QList<int>>("cods");
    QTest::newRow("default: number") << QString() << QList<int>{1, 3, 7};
    QTest::newRow("port") << QStringLiteral("puerto_serie") << QList<int>{7, 1, 3};
    QTest::newRow("description, descending") << QStringLiteral("descripcion desc") << QList<int>{3, 1, 7};
}

void TestColeccionControlador::loadsInOrder() {
    QFETCH(QString, orden);
    QFETCH(QList<int>, cods);
    addController(3, 4, QStringLiteral("Garaje"), QStringLiteral("SALIDA"));
    addController(7, 1, QStringLiteral("Almacén"));
    addController(1, 2, QStringLiteral("Entrada"));
    inst_->sql(QStringLiteral("UPDATE dorqcontrolador SET tipo=NULL, tiempo_pta_abierta=9 WHERE cod=7"));
    inst_->open();
    if (!orden.isEmpty()) {
        controladores().Fija_Orden(orden);
        controladores().Carga();
    }
    QList<int> walked;
    for (controladores().Primero(); !controladores().Fin(); controladores().Siguiente())
        walked << controladores().Controlador()->cod();
    QCOMPARE(walked, cods);
    const auto almacen = controladores().Busca_Controlador(7);
    QCOMPARE(almacen->tipo(), QString()); // NULL reads as empty
    QCOMPARE(almacen->tiempo_pta_abierta(), 9);
    QCOMPARE(controladores().Busca_Controlador(3)->tipo(), QStringLiteral("SALIDA"));
}

void TestColeccionControlador::modifyReplacesTheEntities() {
    test::SimPorts sim(2);
    addController(1, 1, QStringLiteral("Entrada"));
    addController(2, 2, QStringLiteral("Salida"));
    DORQSistema& s = inst_->open();
    s.Arranca();
    const auto held = controladores().Busca_Controlador(1);
    QVERIFY(held->Comunicador() && held->Comunicador()->link().isOpen());

    DORQControlador cambio;
    cambio.setCod(1);
    cambio.setTipo(QStringLiteral("ENTRADA"));
    cambio.setDescripcion(QStringLiteral("Hall d'entrée"));
    controladores().Modifica_Controlador(cambio);
    QCOMPARE(inst_->rows(QStringLiteral(
                 "SELECT cod,puerto_serie,tipo,descripcion FROM dorqcontrolador ORDER BY cod")),
             (QStringList{QStringLiteral("1|1|ENTRADA|Hall d'entrée"), QStringLiteral("2|2|Null|Salida")}));

    const auto fresh = controladores().Busca_Controlador(1);
    QVERIFY(fresh != held);
    QCOMPARE(fresh->descripcion(), QStringLiteral("Hall d'entrée"));
    for (int i = 0; i < controladores().Cuenta(); ++i)
        QVERIFY(!controladores().Controlador(i)->Comunicador()); // no link until Conecta
    // The replaced entity lives on for whoever holds it, with its port closed.
    QCOMPARE(held->descripcion(), QStringLiteral("Entrada"));
    QVERIFY(!held->Comunicador()->link().isOpen());
    QVERIFY(!held->Comunicador()->Enviar_Tarjeta(QStringLiteral("0000000001")));
}

void TestColeccionControlador::deleteAndLookups() {
    addController(4, 2, QStringLiteral("A"));
    addController(6, 3, QStringLiteral("B"));
    addAssignment("0000000001", 4, "S");
    inst_->open();
    QCOMPARE(controladores().Busca_Por_Puerto(3)->cod(), 6);
    QVERIFY(!controladores().Busca_Por_Puerto(4));
    QVERIFY(!controladores().Busca_Controlador(2));

    controladores().Borra_Controlador(*controladores().Busca_Controlador(4));
    QCOMPARE(inst_->rows(QStringLiteral("SELECT cod FROM dorqcontrolador")),
             QStringList{QStringLiteral("6")});
    QVERIFY(!controladores().Busca_Controlador(4));
    QCOMPARE(controladores().Cuenta(), 1);
    // Its assignments stay: deleting through the main window drops them first.
    QCOMPARE(inst_->rows(QStringLiteral("SELECT tarjeta,controlador FROM dorqcontroladortarjeta")),
             QStringList{QStringLiteral("0000000001|4")});
}

void TestColeccionControlador::assignmentStatements_data() {
    QTest::addColumn<Operation>("op");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("drop one card of controller 4")
        << Operation([](auto& s, auto& c) { s.Borra_Asignacion(c, QStringLiteral("000000'002")); })
        << QStringList{"000000'002|6|N", "0000000001|4|S", "0000000001|6|S"};
    QTest::newRow("drop all of controller 4") << Operation([](auto& s, auto& c) { s.Borra_Asignaciones(c); })
                                              << QStringList{"000000'002|6|N", "0000000001|6|S"};
    QTest::newRow("mark controller 4 pending")
        << Operation([](auto& s, auto& c) { s.Marca_Asignaciones(c, false); })
        << QStringList{"000000'002|4|N", "000000'002|6|N", "0000000001|4|N", "0000000001|6|S"};
    QTest::newRow("mark controller 4 stored")
        << Operation([](auto& s, auto& c) { s.Marca_Asignaciones(c, true); })
        << QStringList{"000000'002|4|S", "000000'002|6|N", "0000000001|4|S", "0000000001|6|S"};
}

void TestColeccionControlador::assignmentStatements() {
    QFETCH(Operation, op);
    QFETCH(QStringList, rows);
    addController(4, 1, QStringLiteral("A"));
    addController(6, 2, QStringLiteral("B"));
    addAssignment("0000000001", 4, "S");
    addAssignment("0000000001", 6, "S");
    addAssignment("000000'002", 4, "N");
    addAssignment("000000'002", 6, "N");
    inst_->sql(QStringLiteral("INSERT INTO dorqtarjeta(codigo_tarjeta,usuario) VALUES('0000000001',-1)"));
    DORQSistema& s = inst_->open();
    op(controladores(), *controladores().Busca_Controlador(4));
    QCOMPARE(
        inst_->rows(QStringLiteral("SELECT tarjeta,controlador,\"_STOREDINHW\" FROM dorqcontroladortarjeta "
                                   "ORDER BY tarjeta,controlador")),
        rows);
    // No store is reloaded: the cards store keeps the assignments it loaded.
    QCOMPARE(s.Tarjetas()->Busca_Tarjeta(QStringLiteral("0000000001"))->Asignaciones().size(),
             std::size_t(2));
}

void TestColeccionControlador::connects() {
    test::SimPorts sim(1);
    addController(5, 1, QStringLiteral("Puerta"));
    inst_->open();
    const auto c = controladores().Controlador(0);
    QVERIFY(!c->Comunicador());
    QVERIFY(c->Conecta());
    link::DORQComunicador* const com = c->Comunicador();
    QVERIFY(com && com->Conectado() && com->link().isOpen());
    QVERIFY(c->ultimoError().isEmpty());
    QVERIFY(c->Conecta());
    QCOMPARE(c->Comunicador(), com);

    // Decoded events reach the hook the event log sets, with the controller they came from.
    int from = -1;
    link::TEventoInformacion got;
    c->setOnIncidencia([&](DORQControlador& source, const link::TEventoInformacion& info) {
        from = source.cod();
        got = info;
    });
    com->Activar_Incidencias();
    sim.host().with(1, [](sim::SimController& s) { s.presentCard(QStringLiteral("0012345678")); });
    QTRY_COMPARE(from, 5);
    QCOMPARE(got.Tarjeta_Hex, QStringLiteral("0012345678"));
    com->Desactivar_Incidencias();

    c->Cierra();
    QVERIFY(!com->link().isOpen());
    QVERIFY(!com->Enviar_Tarjeta(QStringLiteral("0000000001"))); // no answer, no error
    QCOMPARE(sim.host().with(1, [](sim::SimController& s) { return s.commandCount(97); }), 0);
}

void TestColeccionControlador::portThatDoesNotOpen() {
    test::SimPorts sim(1); // maps port 1 only: port 99 is a serial device that does not exist
    addController(5, 99, QStringLiteral("Desenchufado"));
    inst_->open();
    const auto c = controladores().Controlador(0);
    QVERIFY(!c->Conecta());
    QVERIFY(c->Comunicador() && !c->Comunicador()->Conectado());
    QVERIFY2(c->ultimoError().contains(QLatin1String("/dev/ttyS98")), qPrintable(c->ultimoError()));
    QVERIFY(!c->Comunicador()->Enviar_Tarjeta(QStringLiteral("0000000001")));
    QVERIFY(!c->Conecta()); // tried again, not taken as open
}

void TestColeccionControlador::cardsOfAController() {
    addController(4, 1, QStringLiteral("A"));
    addController(6, 2, QStringLiteral("B"));
    for (const char* code : {"0000000003", "0000000001", "0000000002"})
        inst_->sql(QStringLiteral("INSERT INTO dorqtarjeta(codigo_tarjeta,usuario) VALUES(:c,-1)"),
                   {{"c", QLatin1String(code)}});
    addAssignment("0000000001", 4, "S");
    addAssignment("0000000002", 6, "N");
    addAssignment("0000000003", 4, "N");
    DORQSistema& s = inst_->open();
    DORQColeccionTarjeta& tarjetas = *s.Tarjetas();
    tarjetas.Fija_Orden(QStringLiteral("codigo_tarjeta"));
    tarjetas.Carga();

    QStringList listed;
    for (const TTarjetaAlmacenada& e : controladores().Busca_Controlador(4)->Lista_Tarjetas())
        listed << e.tarjeta->codigo_tarjeta() + (e.almacenada ? QLatin1String(" S") : QLatin1String(" N"));
    QCOMPARE(listed, (QStringList{QStringLiteral("0000000001 S"), QStringLiteral("0000000003 N")}));

    // The cursor is shared: a walk that asks a controller for its cards ends with that walk.
    int visited = 0;
    for (tarjetas.Primero(); !tarjetas.Fin(); tarjetas.Siguiente()) {
        ++visited;
        QVERIFY(controladores().Busca_Controlador(6)->Tiene_Tarjeta(*tarjetas.Tarjeta(1)));
        QVERIFY(tarjetas.Fin());
    }
    QCOMPARE(visited, 1);
    QVERIFY(!controladores().Busca_Controlador(4)->Tiene_Tarjeta(*tarjetas.Tarjeta(1)));
}

QTEST_GUILESS_MAIN(TestColeccionControlador)
#include "tst_coleccioncontrolador.moc"
