// The controller command set against the simulated controller.
#include "simports.h"
#include "udorqcomunicador.h"

#include <QTest>
#include <functional>

using namespace kestrum;
using namespace kestrum::link;
using kestrum::test::bytes;

namespace {

Trama_GenVorna trama(const char* hex) {
    Trama_GenVorna t = emptyTrama();
    const QByteArray b = bytes(hex);
    std::copy(b.begin(), b.end(), t.begin());
    return t;
}

using Operation = std::function<bool(DORQComunicador&)>;

} // namespace

Q_DECLARE_METATYPE(Operation)
Q_DECLARE_METATYPE(kestrum::link::Trama_GenVorna)

class TestComunicador : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void commandsSendTheirData_data();
    void commandsSendTheirData();
    void refusedInputSendsNothing_data();
    void refusedInputSendsNothing();
    void storedCardReadsBack();
    void testReportsController();
    void refusedPortGetsTheConsolesHint();
    void testWithoutAnswer();
    void masterCard();
    void cardConversions();
    void decodesEvents_data();
    void decodesEvents();
    void liveEventsOnlyWhileActivated();

private:
    std::unique_ptr<test::SimPorts> sim_;
    std::unique_ptr<DORQComunicador> com_;
    template <class F> auto sim(F&& f) { return sim_->host().with(1, std::forward<F>(f)); }
};

void TestComunicador::init() {
    sim_ = std::make_unique<test::SimPorts>(1);
    com_ = std::make_unique<DORQComunicador>();
    com_->Fijar_Puerto(QStringLiteral("1"));
    QVERIFY(com_->Conectar());
    com_->Fijar_Conectado(true);
    QVERIFY(com_->Conectado());
}

void TestComunicador::cleanup() {
    DORQComunicador::setTextLookup({});
    com_.reset();
    sim_.reset();
}

void TestComunicador::commandsSendTheirData_data() {
    QTest::addColumn<Operation>("op");
    QTest::addColumn<int>("command");
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("store") << Operation([](auto& c) { return c.Enviar_Tarjeta("12345678"); }) << 97
                           << bytes("00 12 34 56 78");
    QTest::newRow("store in run, last")
        << Operation([](auto& c) { return c.Enviar_Tarjeta_Lote("12345678", true); }) << 34
        << bytes("01 00 12 34 56 78");
    QTest::newRow("store in run") << Operation([](auto& c) { return c.Enviar_Tarjeta_Lote("9", false); })
                                  << 34 << bytes("00 00 00 00 00 09");
    QTest::newRow("delete, hex") << Operation([](auto& c) { return c.Borrar_Tarjeta("00A1B2C3D4"); }) << 65
                                 << bytes("00 A1 B2 C3 D4");
    QTest::newRow("times") << Operation([](auto& c) { return c.Fijar_Tiempos(7, 12); }) << 26
                           << bytes("07 0C");
    QTest::newRow("empty") << Operation([](auto& c) { return c.Vaciar_Tarjetas(); }) << 81 << QByteArray();
}

void TestComunicador::commandsSendTheirData() {
    QFETCH(Operation, op);
    QFETCH(int, command);
    QFETCH(QByteArray, data);
    QVERIFY(op(*com_));
    const quint8 cmd = static_cast<quint8>(command);
    QCOMPARE(sim([&](sim::SimController& c) { return c.commandCount(cmd); }), 1);
    QCOMPARE(sim([&](sim::SimController& c) { return c.lastCommandData(cmd); }).toHex(' '), data.toHex(' '));
    // The same operation fails when the controller refuses it, and when it is silent.
    sim([&](sim::SimController& c) { c.refuse(cmd, 1); });
    QVERIFY(!op(*com_));
    sim([](sim::SimController& c) { c.setSilent(true); });
    QVERIFY(!op(*com_));
}

void TestComunicador::refusedInputSendsNothing_data() {
    QTest::addColumn<Operation>("op");
    QTest::newRow("door time 100") << Operation([](auto& c) { return c.Fijar_Tiempos(100, 5); });
    QTest::newRow("open time 100") << Operation([](auto& c) { return c.Fijar_Tiempos(5, 100); });
    QTest::newRow("letters in a card") << Operation([](auto& c) { return c.Enviar_Tarjeta("12A4"); });
    QTest::newRow("eleven digits") << Operation(
        [](auto& c) { return c.Enviar_Tarjeta_Lote("12345678901", true); });
    QTest::newRow("empty card") << Operation([](auto& c) { return c.Enviar_Tarjeta(""); });
    QTest::newRow("not hex") << Operation([](auto& c) { return c.Borrar_Tarjeta("12G4"); });
}

void TestComunicador::refusedInputSendsNothing() {
    QFETCH(Operation, op);
    QVERIFY(!op(*com_));
    QCOMPARE(sim([](sim::SimController& c) {
                 return c.commandCount(26) + c.commandCount(34) + c.commandCount(65) + c.commandCount(97);
             }),
             0);
}

void TestComunicador::storedCardReadsBack() {
    QVERIFY(com_->Enviar_Tarjeta(QStringLiteral("12345678")));
    QVERIFY(com_->Enviar_Tarjeta(QStringLiteral("4000000001")));
    QCOMPARE(com_->Leer_Tarjeta(1), QStringLiteral("0012345678"));
    QCOMPARE(sim([](sim::SimController& c) { return c.lastCommandData(113); }), bytes("00 01"));
    QCOMPARE(com_->Leer_Tarjeta(2), QStringLiteral("4000000001"));
    QCOMPARE(com_->Leer_Tarjeta(3), QString()); // past the last card: not read
    QVERIFY(com_->Borrar_Tarjeta(QStringLiteral("0012345678")));
    QCOMPARE(sim([](sim::SimController& c) { return c.memory(); }), QStringList{"4000000001"});
}

// The console's text (its lookup) of how to get access follows the system's reason, for a refused
// permission only.
void TestComunicador::refusedPortGetsTheConsolesHint() {
    DORQComunicador::setTextLookup([](const QString& key) { return QStringLiteral("<%1>").arg(key); });
    const QString device = QStringLiteral("/dev/ttyUSB0");
    QCOMPARE(mensajeApertura(device, true, QStringLiteral("Permission denied")),
             QStringLiteral("/dev/ttyUSB0: Permission denied. <KS_Serial_permission>"));
    QCOMPARE(mensajeApertura(device, false, QStringLiteral("No such file or directory")),
             QStringLiteral("/dev/ttyUSB0: No such file or directory"));
    DORQComunicador::setTextLookup({});
}

void TestComunicador::testReportsController() {
    DORQComunicador::setTextLookup([](const QString& key) { return QStringLiteral("<%1>").arg(key); });
    sim([](sim::SimController& c) {
        c.setSetup({.state = 2, .lockTime = 12, .openTime = 0, .version = 21});
        c.setReportedCount(300);
    });
    TTest_Informacion info;
    com_->Testear(info);
    QCOMPARE(info.Ok, 1);
    QCOMPARE(info.Estado, QStringLiteral("<puerta_cerrada>"));
    QCOMPARE(info.T_Abrepuertas, QStringLiteral("0C"));
    QCOMPARE(info.T_Puerta_Abierta, QStringLiteral("00"));
    QCOMPARE(info.Version, 21);
    QCOMPARE(info.Num_Tarjetas, QStringLiteral("300"));

    sim([](sim::SimController& c) { c.setSetup({.state = 1}); });
    com_->Testear(info);
    QCOMPARE(info.Ok, 1);
    QCOMPARE(info.Estado, QString());
}

void TestComunicador::testWithoutAnswer() {
    sim([](sim::SimController& c) { c.setSilent(true); });
    TTest_Informacion info;
    info.Estado = QStringLiteral("stale");
    com_->Testear(info);
    QCOMPARE(info.Ok, 0);
    QVERIFY(info.Estado.isEmpty() && info.Num_Tarjetas.isEmpty() && info.T_Abrepuertas.isEmpty());
    QCOMPARE(sim([](sim::SimController& c) { return c.commandCount(27); }), 3);
}

void TestComunicador::masterCard() {
    QVERIFY(com_->Tarjeta_Master());
    sim([](sim::SimController& c) { c.refuse(29, 1); });
    QVERIFY(!com_->Tarjeta_Master());
}

void TestComunicador::cardConversions() {
    QCOMPARE(*Tarjeta_A_BCD("12345678"), bytes("00 12 34 56 78"));
    QCOMPARE(*Tarjeta_A_Hex("00a1b2c3d4"), bytes("00 A1 B2 C3 D4"));
    QCOMPARE(*Tarjeta_A_Hex("0123456789"), *Tarjeta_A_BCD("0123456789"));
    QVERIFY(!Tarjeta_A_BCD("00A1B2C3D4"));
    QCOMPARE(Bytes_A_Texto(bytes("00 A1 B2 C3 D4")), QStringLiteral("00A1B2C3D4"));
}

void TestComunicador::decodesEvents_data() {
    QTest::addColumn<Trama_GenVorna>("frame");
    QTest::addColumn<int>("tipo");
    QTest::addColumn<QString>("access");
    QTest::addColumn<QString>("door");
    QTest::addColumn<QString>("card");
    QTest::newRow("granted card") << trama("AA 31 01 00 12 34 56 78") << 1 << "01"
                                  << ""
                                  << "0012345678";
    QTest::newRow("refused card") << trama("AA 31 00 00 12 34 56 78") << 2 << "00"
                                  << ""
                                  << "0012345678";
    QTest::newRow("door") << trama("AA 37 05") << 5 << ""
                          << "05"
                          << "";
    QTest::newRow("door 01") << trama("AA 37 01") << 5 << ""
                             << "01"
                             << "";
    QTest::newRow("code 5") << trama("AA 35 00") << 3 << ""
                            << ""
                            << "";
    QTest::newRow("code E") << trama("AA 45 00 07") << 6 << ""
                            << ""
                            << "07";
    QTest::newRow("nothing received") << trama("FE 31 01 00") << 0 << ""
                                      << ""
                                      << "";
    QTest::newRow("unknown code") << trama("AA 2C 01 00") << 0 << ""
                                  << ""
                                  << "";
}

void TestComunicador::decodesEvents() {
    QFETCH(Trama_GenVorna, frame);
    QFETCH(int, tipo);
    QList<TEventoInformacion> seen;
    com_->Fijar_Puerto(QStringLiteral("7"));
    com_->setOnIncidencia([&](DORQComunicador*, const TEventoInformacion& e) { seen << e; });
    com_->Decodificar_Incidencia(nullptr, frame);
    if (tipo == 0) {
        QVERIFY(seen.isEmpty());
        return;
    }
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen[0].Tipo, tipo);
    QTEST(seen[0].Codigo_Acceso, "access");
    QTEST(seen[0].Codigo_Puerta, "door");
    QTEST(seen[0].Tarjeta_Hex, "card");
    QCOMPARE(seen[0].Puerto, QStringLiteral("7"));
}

void TestComunicador::liveEventsOnlyWhileActivated() {
    QList<TEventoInformacion> seen;
    com_->setOnIncidencia([&](DORQComunicador*, const TEventoInformacion& e) { seen << e; });
    com_->Activar_Incidencias();
    sim([](sim::SimController& c) {
        c.presentCard(QStringLiteral("12345678"));
        c.presentCard(QStringLiteral("87654321"), 0x03);
        c.doorEvent(0x02);
    });
    QTRY_COMPARE(seen.size(), 3);
    QCOMPARE(seen[0].Tipo, 1);
    QCOMPARE(seen[0].Tarjeta_Hex, QStringLiteral("0012345678"));
    QCOMPARE(seen[0].Puerto, QStringLiteral("1"));
    QCOMPARE(seen[1].Tipo, 2);
    QCOMPARE(seen[2].Tipo, 5);

    com_->Desactivar_Incidencias();
    sim([](sim::SimController& c) { c.presentCard(QStringLiteral("12345678")); });
    QTRY_COMPARE(sim([](sim::SimController& c) { return c.acksReceived(); }), 4);
    QTest::qWait(100);
    QCOMPARE(seen.size(), 3);
}

QTEST_GUILESS_MAIN(TestComunicador)
#include "tst_comunicador.moc"
