// Test all, send all and receive all against simulated controllers and an embedded installation.
#include "installation.h"
#include "simports.h"
#include "transferencias.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcolecciontarjeta.h"
#include "udorqusuario.h"

#include <QMutex>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>

using namespace kestrum;
using kestrum::ops::EnvioTotal;
using kestrum::ops::EstadoLector;
using kestrum::ops::RecepcionTotal;
using kestrum::ops::TestTodos;

namespace {

// Cards by controller: "1:0000000011,0000000012;2:0000000021".
using Reparto = QMap<int, QStringList>;

QStringList sorted(QStringList l) {
    l.sort();
    return l;
}

} // namespace

Q_DECLARE_METATYPE(Reparto)

class TstTransferencias : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void testAll();
    void sendLoadFlags_data();
    void sendLoadFlags();
    void sendMarksOnlyAcknowledgedCards();
    void sendCancelledHalfway();
    void receiveOnlyFromVersion20();
    void receiveCreatesCardsAndHolders();
    void receivePasses_data();
    void receivePasses();
    void receiveCancelledKeepsOldRows();

private:
    static constexpr int SIMS = 3;
    template <class F> auto sim(int n, F&& f) { return sim_->host().with(n, std::forward<F>(f)); }
    void addController(int cod, int puerto) {
        inst_->sql(QStringLiteral("INSERT INTO dorqcontrolador(cod,puerto_serie,tipo,descripcion) "
                                  "VALUES(:c,:p,'Null',:d)"),
                   {{"c", cod}, {"p", puerto}, {"d", QStringLiteral("Door %1").arg(cod)}});
    }
    void addCard(const QString& code, int usuario = -1) {
        inst_->sql(QStringLiteral("INSERT INTO dorqtarjeta(codigo_tarjeta,usuario) VALUES(:c,:u)"),
                   {{"c", code}, {"u", usuario}});
    }
    void addAssignment(const QString& card, int controller, const char* mark = "N") {
        inst_->sql(QStringLiteral("INSERT INTO dorqcontroladortarjeta VALUES(:t,:c,:m)"),
                   {{"t", card}, {"c", controller}, {"m", QLatin1String(mark)}});
    }
    // Controller n on port n with its cards, each card created once.
    void addReparto(const Reparto& reparto) {
        QSet<QString> cards;
        for (auto it = reparto.begin(); it != reparto.end(); ++it) {
            addController(it.key(), it.key());
            for (const QString& card : it.value()) {
                if (!cards.contains(card))
                    addCard(card);
                cards.insert(card);
                addAssignment(card, it.key());
            }
        }
    }
    QStringList cardsMarked(int controller, const char* mark) {
        return sorted(
            inst_->rows(QStringLiteral("SELECT tarjeta FROM dorqcontroladortarjeta WHERE controlador=%1 "
                                       "AND \"_STOREDINHW\"='%2'")
                            .arg(controller)
                            .arg(QLatin1String(mark))));
    }
    QStringList memory(int n) {
        return sorted(sim(n, [](sim::SimController& c) { return c.memory(); }));
    }
    // Every data block of command `cmd` that simulator n receives from now on, as hex.
    std::shared_ptr<QStringList> record(int n, quint8 cmd) {
        auto log = std::make_shared<QStringList>();
        sim(n, [log, cmd](sim::SimController& c) {
            QObject::connect(
                &c, &sim::SimController::commandReceived, &c,
                [log, cmd, &c](int received) {
                    if (received == cmd)
                        log->append(QString::fromLatin1(c.lastCommandData(cmd).toHex()));
                },
                Qt::DirectConnection);
        });
        return log;
    }
    // Read on the simulator's thread, where it is written.
    QStringList recorded(int n, const std::shared_ptr<QStringList>& log) {
        return sim(n, [log](sim::SimController&) { return *log; });
    }
    void setVersion(int n, int version) {
        sim(n, [version](sim::SimController& c) {
            c.setSetup({.state = 2, .lockTime = 5, .openTime = 10, .version = static_cast<quint8>(version)});
        });
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

void TstTransferencias::sendLoadFlags_data() {
    QTest::addColumn<Reparto>("reparto");
    QTest::addColumn<QStringList>("flags1");
    QTest::addColumn<QStringList>("flags2");
    QTest::newRow("three and two cards")
        << Reparto{{1, {"0000000011", "0000000012", "0000000013"}}, {2, {"0000000021", "0000000022"}}}
        << QStringList{"00", "00", "01"} << QStringList{"00", "01"};
    QTest::newRow("one card in the installation")
        << Reparto{{1, {"0000000011"}}, {2, {}}} << QStringList{"01"} << QStringList{};
    QTest::newRow("one card on both")
        << Reparto{{1, {"0000000011"}}, {2, {"0000000011"}}} << QStringList{"01"} << QStringList{"01"};
}

void TstTransferencias::sendLoadFlags() {
    QFETCH(Reparto, reparto);
    QFETCH(QStringList, flags1);
    QFETCH(QStringList, flags2);
    addReparto(reparto);
    const auto log1 = record(1, 34);
    const auto log2 = record(2, 34);
    store::DORQSistema& s = inst_->open();
    EnvioTotal envio(s);
    envio.ejecuta();
    auto flags = [](const QStringList& data) {
        QStringList out;
        for (const QString& d : data)
            out << d.left(2);
        return out;
    };
    QCOMPARE(flags(recorded(1, log1)), flags1);
    QCOMPARE(flags(recorded(2, log2)), flags2);
    for (int n = 1; n <= 2; ++n) {
        QCOMPARE(sim(n, [](sim::SimController& c) { return c.commandCount(81); }), 1);
        QCOMPARE(memory(n), sorted(reparto.value(n)));
        QCOMPARE(cardsMarked(n, "S"), sorted(reparto.value(n)));
        QCOMPARE(envio.lectores().at(static_cast<std::size_t>(n - 1)).estado, EstadoLector::Hecho);
    }
    QCOMPARE(envio.hechas(), envio.total());
}

void TstTransferencias::sendMarksOnlyAcknowledgedCards() {
    const QStringList normal{"0000000011", "0000000012", "0000000013", "0000000014"};
    const QStringList silent{"0000000021", "0000000022", "0000000023"};
    const QStringList refusing{"0000000031", "0000000032", "0000000033", "0000000034",
                               "0000000035", "0000000036", "0000000037"};
    addReparto({{1, normal}, {2, silent}, {3, refusing}});
    // A row that says "stored" for a controller that does not answer now, one whose code the
    // command refuses, and rows of a controller the store does not have.
    addCard("0000000099");
    addAssignment("0000000099", 2, "S");
    addCard("12A4567890");
    addAssignment("12A4567890", 1, "S");
    addAssignment("0000000011", 9, "S");
    sim(2, [](sim::SimController& c) { c.setSilent(true); });
    sim(3, [](sim::SimController& c) {
        c.setMemory({"0000000777"}); // emptied first
        // Every third card is refused: the refusal is armed after the second, fifth...
        auto stores = std::make_shared<int>(0);
        QObject::connect(
            &c, &sim::SimController::commandReceived, &c,
            [&c, stores](int cmd) {
                if (cmd == 34 && ++*stores % 3 == 2)
                    c.refuse(34, 1);
            },
            Qt::DirectConnection);
    });
    store::DORQSistema& s = inst_->open();
    EnvioTotal envio(s);
    envio.ejecuta();

    QCOMPARE(memory(1), normal);
    QCOMPARE(memory(3).size(), 5); // 33 and 36 refused
    for (int n = 1; n <= 3; ++n)
        QCOMPARE(cardsMarked(n, "S"), memory(n));
    QCOMPARE(cardsMarked(1, "N"), QStringList{"12A4567890"});
    QCOMPARE(cardsMarked(2, "N").size(), 4);
    QCOMPARE(cardsMarked(3, "N"), (QStringList{"0000000033", "0000000036"}));
    QCOMPARE(cardsMarked(9, "N"), QStringList{"0000000011"});
    // The silent controller was not sent its cards one time-out at a time.
    QCOMPARE(sim(2, [](sim::SimController& c) { return c.commandCount(34); }), 0);
    const auto& l = envio.lectores();
    QCOMPARE(l.size(), std::size_t(3));
    QCOMPARE(l[0].estado, EstadoLector::Hecho);
    QCOMPARE(l[0].confirmadas, 4);
    QCOMPARE(l[1].estado, EstadoLector::NoContesta);
    QCOMPARE(l[2].estado, EstadoLector::Hecho);
    QCOMPARE(l[2].confirmadas, 5);
    QCOMPARE(l[2].ultimo, QStringLiteral("0000000037"));
    // The store was reloaded with the marks.
    const auto card = s.Tarjetas()->Busca_Tarjeta(QStringLiteral("0000000033"));
    QVERIFY(card);
    QCOMPARE(card->Asignaciones().size(), std::size_t(1));
    QVERIFY(!card->Asignaciones().front().almacenada);
}

void TstTransferencias::sendCancelledHalfway() {
    Reparto reparto;
    for (int n = 1; n <= 2; ++n) {
        for (int i = 0; i < 6; ++i)
            reparto[n] << QStringLiteral("00000000%1%2").arg(n).arg(i);
    }
    addReparto(reparto);
    store::DORQSistema& s = inst_->open();
    EnvioTotal envio(s);
    connect(&envio, &EnvioTotal::progreso, this, [&envio](int i) {
        if (i == 0 && envio.lectores()[0].confirmadas == 2)
            envio.cancela();
    });
    envio.ejecuta();
    int stored = 0;
    for (int n = 1; n <= 2; ++n) {
        QCOMPARE(cardsMarked(n, "S"), memory(n));
        QCOMPARE(cardsMarked(n, "S").size() + cardsMarked(n, "N").size(), 6);
        QCOMPARE(envio.lectores()[static_cast<std::size_t>(n - 1)].estado, EstadoLector::Cancelado);
        stored += static_cast<int>(memory(n).size());
    }
    QVERIFY(stored >= 2);
    QVERIFY(stored < 12);
}

void TstTransferencias::receiveOnlyFromVersion20() {
    addController(1, 1);
    addController(2, 2);
    addController(3, 3);
    setVersion(1, 19);
    setVersion(2, 20);
    sim(3, [](sim::SimController& c) { c.setSilent(true); });
    for (int n = 1; n <= 3; ++n)
        sim(n, [](sim::SimController& c) { c.setMemory({"0000000011"}); });
    addCard("0000000055");
    addAssignment("0000000055", 1, "S");
    addAssignment("0000000055", 3, "N");
    store::DORQSistema& s = inst_->open();
    RecepcionTotal recepcion(s);
    const auto preparados = recepcion.prepara();
    QCOMPARE(preparados.size(), std::size_t(3));
    QCOMPARE(preparados[0].info.Version, 19);
    QVERIFY(!preparados[0].puedeRecibir);
    QVERIFY(preparados[1].puedeRecibir);
    QVERIFY(!preparados[2].puedeRecibir);

    recepcion.ejecuta();
    const auto& l = recepcion.lectores();
    QCOMPARE(l[0].estado, EstadoLector::NoPuedeRecibir);
    QCOMPARE(l[1].estado, EstadoLector::Hecho);
    QCOMPARE(l[2].estado, EstadoLector::NoContesta);
    // Nothing was read from the old one: its rows stay as they were, as do the silent one's.
    QCOMPARE(sim(1, [](sim::SimController& c) { return c.commandCount(113); }), 0);
    QCOMPARE(cardsMarked(1, "S"), QStringList{"0000000055"});
    QCOMPARE(cardsMarked(3, "N"), QStringList{"0000000055"});
    QCOMPARE(cardsMarked(2, "S"), QStringList{"0000000011"});
}

void TstTransferencias::receiveCreatesCardsAndHolders() {
    const QString unknown = "0000000077", held = "0000000011", free = "0000000022", old = "0000000033";
    addController(1, 1);
    addController(2, 2);
    inst_->sql(QStringLiteral("INSERT INTO dorqusuario VALUES(5,'Ana','Ruiz','S','')"));
    addCard(held, 5);
    addCard(free);
    addCard(old, 5);
    addAssignment(held, 2, "N");
    addAssignment(old, 1, "S"); // no longer in the controller
    for (int n = 1; n <= 2; ++n)
        setVersion(n, 20);
    sim(1, [&](sim::SimController& c) { c.setMemory({unknown, held, free}); });
    sim(2, [&](sim::SimController& c) { c.setMemory({held, unknown}); });
    store::DORQSistema& s = inst_->open();
    RecepcionTotal recepcion(s);
    recepcion.ejecuta();

    QCOMPARE(cardsMarked(1, "S"), sorted({unknown, held, free}));
    QCOMPARE(cardsMarked(1, "N"), QStringList{});
    QCOMPARE(cardsMarked(2, "S"), sorted({unknown, held}));
    // One card and one holder for the code read twice, one holder for the free card, no new
    // holder for the held one.
    QCOMPARE(inst_->scalar("SELECT count(*) FROM dorqtarjeta WHERE codigo_tarjeta='0000000077'").toInt(), 1);
    QCOMPARE(inst_->scalar("SELECT count(*) FROM dorqusuario").toInt(), 3);
    QCOMPARE(inst_->rows("SELECT nombre, apellidos FROM dorqusuario WHERE id<>5"), (QStringList{"|", "|"}));
    QCOMPARE(inst_->scalar("SELECT usuario FROM dorqtarjeta WHERE codigo_tarjeta='0000000011'").toInt(), 5);
    QVERIFY(inst_->scalar("SELECT usuario FROM dorqtarjeta WHERE codigo_tarjeta='0000000022'").toInt() > 0);
    // The stores were reloaded: the new card has its holder in memory.
    const auto card = s.Tarjetas()->Busca_Tarjeta(unknown);
    QVERIFY(card);
    QVERIFY(card->usuario());
    QCOMPARE(card->usuario()->nombre(), QString());
    QCOMPARE(card->Asignaciones().size(), std::size_t(2));
    QCOMPARE(recepcion.lectores()[0].confirmadas, 3);
}

void TstTransferencias::receivePasses_data() {
    QTest::addColumn<int>("reported");     // card count the test reports; -1: the real one
    QTest::addColumn<int>("refusedReads"); // the reads refused after the first
    QTest::addColumn<QStringList>("rows"); // controller 1's rows afterwards, "code|mark"
    QTest::addColumn<int>("reads");
    QTest::addColumn<int>("passes");
    const QStringList read{"0000000001|S", "0000000002|S", "0000000003|S"};
    QTest::newRow("all read at once") << -1 << 0 << read << 3 << 1;
    QTest::newRow("position 2 read on the second pass") << -1 << 1 << read << 4 << 2;
    QTest::newRow("position 4 never read: old rows stay")
        << 4 << 0 << (read + QStringList{"0000000009|N"}) << 4 + 1 + 1 << 3;
}

void TstTransferencias::receivePasses() {
    QFETCH(int, reported);
    QFETCH(int, refusedReads);
    QFETCH(QStringList, rows);
    QFETCH(int, reads);
    QFETCH(int, passes);
    addController(1, 1);
    addCard("0000000009");
    addAssignment("0000000009", 1, "N");
    addCard("0000000002");
    addAssignment("0000000002", 1, "N");
    setVersion(1, 21);
    sim(1, [&](sim::SimController& c) {
        c.setMemory({"0000000001", "0000000002", "0000000003"});
        c.setReportedCount(reported);
        auto seen = std::make_shared<int>(0);
        QObject::connect(
            &c, &sim::SimController::commandReceived, &c,
            [&c, seen, refusedReads](int cmd) {
                if (cmd == 113 && ++*seen == 1 && refusedReads > 0)
                    c.refuse(113, refusedReads);
            },
            Qt::DirectConnection);
    });
    store::DORQSistema& s = inst_->open();
    RecepcionTotal recepcion(s);
    recepcion.ejecuta();
    QCOMPARE(inst_->rows("SELECT tarjeta, \"_STOREDINHW\" FROM dorqcontroladortarjeta WHERE controlador=1 "
                         "ORDER BY tarjeta"),
             rows);
    QCOMPARE(sim(1, [](sim::SimController& c) { return c.commandCount(113); }), reads);
    QCOMPARE(recepcion.lectores()[0].pasada, passes);
    QCOMPARE(recepcion.lectores()[0].confirmadas, 3);
}

// A cancelled reading is an incomplete one: the rows read are added, none is dropped.
void TstTransferencias::receiveCancelledKeepsOldRows() {
    addController(1, 1);
    addCard("0000000009");
    addAssignment("0000000009", 1, "S");
    setVersion(1, 20);
    sim(1, [](sim::SimController& c) {
        c.setMemory({"0000000001", "0000000002", "0000000003", "0000000004", "0000000005"});
    });
    store::DORQSistema& s = inst_->open();
    RecepcionTotal recepcion(s);
    connect(&recepcion, &RecepcionTotal::progreso, this, [&recepcion](int) {
        if (recepcion.lectores()[0].confirmadas == 1)
            recepcion.cancela();
    });
    recepcion.ejecuta();
    QCOMPARE(recepcion.lectores()[0].estado, EstadoLector::Cancelado);
    QCOMPARE(inst_->rows("SELECT tarjeta, \"_STOREDINHW\" FROM dorqcontroladortarjeta WHERE controlador=1 "
                         "ORDER BY tarjeta"),
             (QStringList{"0000000001|S", "0000000009|S"}));
    QVERIFY(sim(1, [](sim::SimController& c) { return c.commandCount(113); }) < 5);
}

QTEST_GUILESS_MAIN(TstTransferencias)
#include "tst_transferencias.moc"
