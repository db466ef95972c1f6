// The event log on an embedded installation database, fed by simulated controllers.
#include "installation.h"
#include "simports.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcoleccionincidencia.h"
#include "udorqcontrolador.h"

#include <QLocale>
#include <QRegularExpression>
#include <QTest>
#include <algorithm>
#include <functional>

using namespace kestrum;
using namespace kestrum::store;

namespace {

QDateTime at(const char* text) {
    return QDateTime::fromString(QLatin1String(text), Qt::ISODate);
}

QString announced(const link::TEventoInformacion& info) {
    return QStringLiteral("%1 %2 %3").arg(info.Tipo).arg(info.Tarjeta_Hex, info.Puerto);
}

} // namespace

class TestColeccionIncidencia : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void recordsLiveEvents();
    void registeringOnAndOff();
    void liveErrorDoesNotStopTheLink();
    void controllerFoundByPort_data();
    void controllerFoundByPort();
    void loadsWithFilters_data();
    void loadsWithFilters();
    void equalTimestampsKeepTheirPlace();
    void cursorAndRecordedSince();
    void databaseErrorsAreRaised();
    void timestampText_data();
    void timestampText();

private:
    void addController(int cod, int puerto, const QString& descripcion) {
        inst_->sql(QStringLiteral("INSERT INTO dorqcontrolador(cod,puerto_serie,tipo,descripcion) "
                                  "VALUES(:c,:p,'Null',:d)"),
                   {{"c", cod}, {"p", puerto}, {"d", descripcion}});
    }
    void addHolder(int id, const QString& nombre, const QString& apellidos) {
        inst_->sql(QStringLiteral("INSERT INTO dorqusuario VALUES(:id,:n,:a,'S','')"),
                   {{"id", id}, {"n", nombre}, {"a", apellidos}});
    }
    void addCard(const QString& code, int holder) {
        inst_->sql(QStringLiteral("INSERT INTO dorqtarjeta(codigo_tarjeta,usuario) VALUES(:c,:u)"),
                   {{"c", code}, {"u", holder}});
    }
    void addEvent(int cod, const QDateTime& when, int usr) {
        inst_->sql(QStringLiteral("INSERT INTO dorqincidencia(cod,controlador,hist_controlador,tarjeta,"
                                  "hist_tarjeta,\"TIMESTAMP\",descripcion,evento,usr) "
                                  "VALUES(:cod,3,'Door 3','0000000001','Smith, Ann',:ts,:d,1,:usr)"),
                   {{"cod", cod}, {"ts", when}, {"d", QStringLiteral("event %1").arg(cod)}, {"usr", usr}});
    }
    int recorded() { return inst_->scalar(QStringLiteral("SELECT count(*) FROM dorqincidencia")).toInt(); }
    int acks(test::SimPorts& sim, int n) {
        return sim.host().with(n, [](sim::SimController& c) { return c.acksReceived(); });
    }
    // The cods of the loaded events, walked with the cursor.
    static QList<int> walk(DORQColeccionIncidencia& log) {
        QList<int> cods;
        for (log.Primero(); !log.Fin(); log.Siguiente())
            cods << log.Incidencia()->cod();
        return cods;
    }

    std::unique_ptr<test::Installation> inst_;
};

void TestColeccionIncidencia::initTestCase() {
    inst_ = std::make_unique<test::Installation>();
}

void TestColeccionIncidencia::init() {
    inst_->reset();
}

void TestColeccionIncidencia::cleanup() {
    inst_->close();
}

void TestColeccionIncidencia::cleanupTestCase() {
    inst_.reset();
}

void TestColeccionIncidencia::recordsLiveEvents() {
    test::SimPorts sim(2);
    // Numbers apart from ports, so that a lookup by the wrong key shows.
    addController(4, 1, QStringLiteral("Door 1"));
    addController(7, 2, QStringLiteral("Door 'A'"));
    addHolder(5, QStringLiteral("Seán"), QStringLiteral("O'Neill"));
    addCard(QStringLiteral("0012345678"), 5);
    addCard(QStringLiteral("0000000042"), -1);
    DORQSistema& s = inst_->open();
    s.Arranca();
    DORQColeccionIncidencia& log = *s.Incidencias();
    QStringList seen;
    log.setOnRegistrada([&](DORQColeccionIncidencia* sender, const link::TEventoInformacion& info) {
        QCOMPARE(sender, &log);
        seen << announced(info);
    });
    log.Inicia_Registro();
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);

    struct Step {
        int controller;
        std::function<void(sim::SimController&)> act;
    };
    const QList<Step> steps{
        {2, [](sim::SimController& c) { c.presentCard(QStringLiteral("0012345678")); }},
        {2, [](sim::SimController& c) { c.presentCard(QStringLiteral("0012345678"), 0x00); }},
        {1, [](sim::SimController& c) { c.presentCard(QStringLiteral("0099999999")); }},
        {2, [](sim::SimController& c) { c.presentCard(QStringLiteral("0000000042")); }},
        {2, [](sim::SimController& c) { c.doorEvent(0x05); }},
        {1, [](sim::SimController& c) { c.plainEvent('5'); }},
        {1, [](sim::SimController& c) { c.plainEvent('E'); }},
    };
    // One at a time: events of two ports have no order of their own.
    for (const Step& step : steps) {
        const qsizetype count = seen.size();
        sim.host().with(step.controller, step.act);
        QTRY_COMPARE(seen.size(), count + 1);
    }
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);

    QCOMPARE(seen, (QStringList{"1 0012345678 2", "2 0012345678 2", "1 0099999999 1", "1 0000000042 2",
                                "5  2", "3  1", "6  1"}));
    const QStringList expected{
        "7|Door 'A'|0012345678|O'Neill, Seán|0012345678 O'Neill, Seán|1|5",
        "7|Door 'A'|0012345678|O'Neill, Seán|0012345678 O'Neill, Seán|2|0",
        "4|Door 1|0099999999|unknow|0099999999|1|-1",
        "7|Door 'A'|0000000042|unknow|0000000042|1|-1",
        "7|Door 'A'||||5|0",
        "4|Door 1||||3|0",
        "4|Door 1||||6|0",
    };
    QCOMPARE(inst_->rows(QStringLiteral("SELECT controlador,hist_controlador,tarjeta,hist_tarjeta,"
                                        "descripcion,evento,usr FROM dorqincidencia ORDER BY cod")),
             expected);
    // The database's clock, stored as local time.
    QVERIFY(inst_->scalar(QStringLiteral("SELECT min(\"TIMESTAMP\") FROM dorqincidencia")).toDateTime() >=
            before);
    QVERIFY(inst_->scalar(QStringLiteral("SELECT max(\"TIMESTAMP\") FROM dorqincidencia")).toDateTime() <=
            after);

    // Recorded events follow the (empty) load in the list, numbered from the sequence counter.
    QCOMPARE(log.Cuenta(), 0);
    for (int i = 0; i < expected.size(); ++i) {
        const auto e = log.Incidencia(i);
        QVERIFY(e);
        QCOMPARE(e->cod(), i + 1);
        const QStringList row = expected[i].split(QLatin1Char('|'));
        QCOMPARE(QString::number(e->controlador()), row[0]);
        QCOMPARE(e->hist_controlador(), row[1]);
        QCOMPARE(e->tarjeta(), row[2]);
        QCOMPARE(e->descripcion(), row[4]);
        QCOMPARE(QString::number(e->usr()), row[6]);
        QVERIFY(e->TIMESTAMP() >= before && e->TIMESTAMP() <= after);
    }
    QVERIFY(!log.Incidencia(static_cast<int>(expected.size())));
    log.Detiene_Registro();
}

void TestColeccionIncidencia::registeringOnAndOff() {
    test::SimPorts sim(2);
    addController(4, 1, QStringLiteral("Door 1"));
    addController(7, 2, QStringLiteral("Door 2"));
    DORQSistema& s = inst_->open();
    s.Arranca();
    DORQColeccionIncidencia& log = *s.Incidencias();
    int announcements = 0;
    log.setOnRegistrada([&](DORQColeccionIncidencia*, const link::TEventoInformacion&) { ++announcements; });
    const auto present = [&](int n) {
        sim.host().with(n, [](sim::SimController& c) { c.presentCard(QStringLiteral("0000000001")); });
    };
    link::DORQComunicador* com1 = s.Controladores()->Busca_Controlador(4)->Comunicador();
    link::DORQComunicador* com2 = s.Controladores()->Busca_Controlador(7)->Comunicador();

    // Registering is off after the start: the event is acknowledged and dropped.
    int acked = acks(sim, 2);
    present(2);
    QTRY_COMPARE(acks(sim, 2), acked + 1);
    QTest::qWait(200);
    QCOMPARE(recorded(), 0);

    // The start made the log each controller's handler: delivery alone reaches it.
    com1->Activar_Incidencias();
    present(1);
    QTRY_COMPARE(recorded(), 1);
    com1->Desactivar_Incidencias();

    log.Inicia_Registro();
    present(1);
    QTRY_COMPARE(recorded(), 2);
    present(2);
    QTRY_COMPARE(recorded(), 3);

    log.Detiene_Registro();
    QVERIFY(!com1->tieneOnIncidencia() && !com2->tieneOnIncidencia());
    acked = acks(sim, 2);
    present(2);
    QTRY_COMPARE(acks(sim, 2), acked + 1);
    QTest::qWait(200);
    QCOMPARE(recorded(), 3);
    QCOMPARE(announcements, 3);

    // Another listener takes a link meanwhile; starting again wins it back.
    int other = 0;
    com2->setOnIncidencia([&](link::DORQComunicador*, const link::TEventoInformacion&) { ++other; });
    com2->Activar_Incidencias();
    present(2);
    QTRY_COMPARE(other, 1);
    com2->Desactivar_Incidencias();
    log.Inicia_Registro();
    present(2);
    QTRY_COMPARE(recorded(), 4);
    // Kept first, listed on the next tick.
    QTRY_COMPARE(announcements, 4);
    QCOMPARE(other, 1);
    log.Detiene_Registro();
}

void TestColeccionIncidencia::liveErrorDoesNotStopTheLink() {
    test::SimPorts sim(1);
    addController(4, 1, QStringLiteral("Door 1"));
    DORQSistema& s = inst_->open();
    s.Arranca();
    DORQColeccionIncidencia& log = *s.Incidencias();
    QStringList errors;
    log.setOnError([&](const Error& e) { errors << e.message(); });
    int announcements = 0;
    log.setOnRegistrada([&](DORQColeccionIncidencia*, const link::TEventoInformacion&) { ++announcements; });
    log.Inicia_Registro();

    // A card text longer than the column: the insert fails inside the link's timer.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("string right truncation")));
    sim.host().with(1, [](sim::SimController& c) {
        c.sendFrame(link::CONSOLE_ADDRESS, link::CONTROLLER_ADDRESS, '1',
                    test::bytes("01 00 11 22 33 44 55 66 77 88 99 00"));
    });
    QTRY_COMPARE(errors.size(), 1);
    QVERIFY2(errors[0].contains(QLatin1String("truncation")), qPrintable(errors[0]));
    QCOMPARE(announcements, 0);
    QCOMPARE(recorded(), 0);

    sim.host().with(1, [](sim::SimController& c) { c.presentCard(QStringLiteral("0000000001")); });
    QTRY_COMPARE(recorded(), 1);
    QTRY_COMPARE(announcements, 1);
    log.Detiene_Registro();
}

void TestColeccionIncidencia::controllerFoundByPort_data() {
    QTest::addColumn<QString>("puerto");
    QTest::addColumn<QString>("row");
    QTest::newRow("port of a controller") << QStringLiteral("1") << QStringLiteral("4|Door 1");
    QTest::newRow("port of no controller") << QStringLiteral("2") << QStringLiteral("0|");
    QTest::newRow("no port") << QString() << QStringLiteral("0|");
}

void TestColeccionIncidencia::controllerFoundByPort() {
    QFETCH(QString, puerto);
    QFETCH(QString, row);
    addController(4, 1, QStringLiteral("Door 1"));
    addController(2, 3, QStringLiteral("Door 3"));
    DORQSistema& s = inst_->open();
    DORQColeccionIncidencia log(&s, s.RutaBD());
    int announcements = 0;
    log.setOnRegistrada([&](DORQColeccionIncidencia*, const link::TEventoInformacion&) { ++announcements; });
    link::TEventoInformacion info;
    info.Tipo = 5;
    info.Codigo_Puerta = QStringLiteral("05");
    info.Puerto = puerto;
    log.Registra_Incidencia(nullptr, info);
    QCOMPARE(inst_->rows(QStringLiteral("SELECT controlador,hist_controlador FROM dorqincidencia")),
             QStringList{row});
    QCOMPARE(announcements, 1);
}

void TestColeccionIncidencia::loadsWithFilters_data() {
    QTest::addColumn<QString>("desde");
    QTest::addColumn<QString>("hasta");
    QTest::addColumn<int>("usuario");
    QTest::addColumn<QDateTime>("from");
    QTest::addColumn<QDateTime>("to");
    QTest::addColumn<QString>("orden");
    QTest::addColumn<QList<int>>("cods");
    const QString on = QStringLiteral("2024-03-01 00:00:00");
    const QDateTime never = at("2000-01-01T00:00:00");
    const QDateTime ever = at("2100-01-01T00:00:00");
    QTest::newRow("no conditions") << QString() << QString() << -1 << ever << never << QString()
                                   << QList<int>{24, 23, 20, 22, 21};
    QTest::newRow("range") << on << on << -1 << at("2024-03-01T09:00:00") << at("2024-03-03T12:00:00")
                           << QString() << QList<int>{23, 20, 22};
    QTest::newRow("bounds included") << on << on << -1 << at("2024-03-01T08:00:00")
                                     << at("2024-03-02T10:00:00") << QString() << QList<int>{20, 22, 21};
    QTest::newRow("from only") << on << QString() << -1 << at("2024-03-02T10:00:00") << never << QString()
                               << QList<int>{24, 23, 20};
    QTest::newRow("to only") << QString() << on << -1 << ever << at("2024-03-01T09:30:00") << QString()
                             << QList<int>{22, 21};
    QTest::newRow("from after to") << on << on << -1 << at("2024-03-04T00:00:00") << at("2024-03-01T00:00:00")
                                   << QString() << QList<int>{};
    QTest::newRow("holder") << QString() << QString() << 5 << ever << never << QString()
                            << QList<int>{24, 20, 21};
    QTest::newRow("holder and range") << on << on << 5 << at("2024-03-01T09:00:00")
                                      << at("2024-03-03T12:00:00") << QString() << QList<int>{20};
    QTest::newRow("holder without events")
        << QString() << QString() << 9 << ever << never << QString() << QList<int>{};
    QTest::newRow("another order") << QString() << QString() << -1 << ever << never << QStringLiteral("cod")
                                   << QList<int>{24, 23, 22, 21, 20};
}

void TestColeccionIncidencia::loadsWithFilters() {
    QFETCH(QString, desde);
    QFETCH(QString, hasta);
    QFETCH(int, usuario);
    QFETCH(QDateTime, from);
    QFETCH(QDateTime, to);
    QFETCH(QString, orden);
    QFETCH(QList<int>, cods);
    // cod and time disagree, so that only the order column decides.
    addEvent(21, at("2024-03-01T08:00:00"), 5);
    addEvent(22, at("2024-03-01T09:30:00"), 6);
    addEvent(20, at("2024-03-02T10:00:00"), 5);
    addEvent(23, at("2024-03-03T11:15:00"), 0);
    addEvent(24, at("2024-03-04T07:00:00"), 5);
    DORQSistema& s = inst_->open();
    DORQColeccionIncidencia log(&s, s.RutaBD());
    QCOMPARE(walk(log), (QList<int>{24, 23, 20, 22, 21})); // the first load: everything, by time

    if (!orden.isEmpty())
        log.Fija_Orden(orden);
    log.Fija_Filtro(desde, hasta, usuario);
    log.Fija_Fechas(usuario, from, to);
    log.Carga();
    QCOMPARE(walk(log), cods);
    QCOMPARE(log.Cuenta(), static_cast<int>(cods.size()));
}

void TestColeccionIncidencia::equalTimestampsKeepTheirPlace() {
    addEvent(1, at("2024-05-01T10:00:00"), 0);
    for (int cod : {2, 3, 4})
        addEvent(cod, at("2024-05-02T10:00:00"), 0);
    addEvent(5, at("2024-05-03T10:00:00"), 0);
    DORQSistema& s = inst_->open();
    DORQColeccionIncidencia log(&s, s.RutaBD());
    const QList<int> cods = walk(log);
    QCOMPARE(cods.size(), 5);
    QCOMPARE(cods.first(), 5);
    QCOMPARE(cods.last(), 1);
    // Among equal times the database's order stands.
    QList<int> tied = cods.mid(1, 3);
    std::sort(tied.begin(), tied.end());
    QCOMPARE(tied, (QList<int>{2, 3, 4}));
}

void TestColeccionIncidencia::cursorAndRecordedSince() {
    addController(3, 1, QStringLiteral("Door 3"));
    addEvent(11, at("2024-03-02T10:00:00"), 5);
    addEvent(12, at("2024-03-01T08:00:00"), 5); // oldest: the first row read
    inst_->sql(
        QStringLiteral("UPDATE dorqincidencia SET evento=2, tarjeta='00ABC', controlador=9 WHERE cod=11"));
    DORQSistema& s = inst_->open();
    DORQColeccionIncidencia log(&s, s.RutaBD());
    QCOMPARE(log.Cuenta(), 2);

    log.Primero();
    QVERIFY(!log.Fin());
    auto e = log.Incidencia();
    QCOMPARE(e->cod(), 11);
    QCOMPARE(e->controlador(), 9);
    QCOMPARE(e->tarjeta(), QStringLiteral("00ABC"));
    QCOMPARE(e->TIMESTAMP(), at("2024-03-02T10:00:00"));
    QCOMPARE(e->descripcion(), QStringLiteral("event 11"));
    QCOMPARE(e->evento(), 2);
    QCOMPARE(e->usr(), 5);
    QCOMPARE(e->hist_controlador(), QStringLiteral("Door 3"));
    log.Siguiente();
    QCOMPARE(log.Incidencia()->cod(), 12);
    QCOMPARE(log.Incidencia(0)->cod(), 11); // an explicit index ignores the cursor
    log.Siguiente();
    QVERIFY(log.Fin());
    QVERIFY(!log.Incidencia());

    // Numbered on from the first row read, after the loaded ones and outside the cursor's reach.
    DORQIncidencia nueva;
    nueva.setControlador(3);
    nueva.setEvento(6);
    log.Graba_Incidencia(nueva);
    QCOMPARE(log.Cuenta(), 2);
    QCOMPARE(walk(log), (QList<int>{11, 12}));
    QCOMPARE(log.Incidencia(2)->cod(), 13);
    QCOMPARE(log.Incidencia(2)->hist_controlador(), QStringLiteral("Door 3"));
    QCOMPARE(inst_->rows(QStringLiteral("SELECT cod,controlador,hist_controlador,tarjeta,hist_tarjeta,"
                                        "descripcion,evento,usr FROM dorqincidencia WHERE cod < 11")),
             QStringList{QStringLiteral("1|3|Door 3||||6|0")}); // the generator's cod in the database

    // A load that finds nothing leaves nothing to walk.
    log.Fija_Filtro(QString(), QString(), 9);
    log.Carga();
    QCOMPARE(log.Cuenta(), 0);
    log.Primero();
    QVERIFY(log.Fin());
}

void TestColeccionIncidencia::databaseErrorsAreRaised() {
    DORQSistema& s = inst_->open();
    DORQColeccionIncidencia log(&s, s.RutaBD());
    DORQIncidencia larga;
    larga.setEvento(1);
    larga.setTarjeta(QStringLiteral("001122334455667788990"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("string right truncation")));
    try {
        log.Graba_Incidencia(larga);
        QFAIL("no error");
    } catch (const DbError& e) {
        QVERIFY2(e.message().contains(QLatin1String("truncation")), qPrintable(e.message()));
    }
    QVERIFY(!log.Incidencia(0));
    QCOMPARE(recorded(), 0);

    log.Fija_Orden(QStringLiteral("no_such_column"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("NO_SUCH_COLUMN")));
    QVERIFY_THROWS_EXCEPTION(DbError, log.Carga());
}

void TestColeccionIncidencia::timestampText_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::newRow("es_ES") << QLocale(QLocale::Spanish, QLocale::Spain) << QStringLiteral("2/3/24 14:05:09");
    QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates)
                           << QStringLiteral("3/2/24 2:05:09 PM");
}

void TestColeccionIncidencia::timestampText() {
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    const QLocale previous;
    QLocale::setDefault(locale);
    DORQIncidencia e;
    e.setTIMESTAMP(at("2024-03-02T14:05:09"));
    const QString shown = e.TIMESTAMP_Texto();
    QLocale::setDefault(previous);
    QCOMPARE(shown, text);
}

QTEST_GUILESS_MAIN(TestColeccionIncidencia)
#include "tst_coleccionincidencia.moc"
