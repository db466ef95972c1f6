// The controller test, event registering, the periodic task, the event panel and the holder
// window, driven end to end: real databases, simulated controllers and offscreen widgets.
#include "Lang.h"
#include "UF_User_Muestra.h"
#include "consolefixture.h"
#include "dbconnection.h"
#include "operacion.h"
#include "reloj.h"
#include "udorqcomunicador.h"
#include "udorqincidencia.h"

#include <QDateTimeEdit>
#include <QDir>
#include <QImage>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>

using namespace kestrum;
using namespace kestrum::ui;
using kestrum::test::ConsoleFixture;

Q_DECLARE_METATYPE(kestrum::ui::Icono)

namespace {

constexpr quint8 CMD_TESTEAR = 27;
constexpr quint8 CMD_BORRAR = 65;
const QString NO_ANSWER_DEVICE = QStringLiteral("/nonexistent/kestrum-tty");

// The settings file again, with these keys in section General and the simulators' ports mapped.
void settings(ConsoleFixture& f, const QByteArray& general, const QByteArray& serial = {}) {
    QByteArray ini = "[General]\n" + general + "[Serial]\n";
    for (int n = 1; f.sim && n <= f.host().size(); ++n)
        ini += QStringLiteral("COM%1=%2\n").arg(n).arg(f.sim->device(n)).toUtf8();
    f.root.write(QStringLiteral("KESTRUM20.INI"), ini + serial);
}

// A controller on a port whose device does not exist.
void deadController(ConsoleFixture& f, int n, int port, const QString& description) {
    f.sql(QStringLiteral(
              "INSERT INTO DORQCONTROLADOR(COD,PUERTO_SERIE,DESCRIPCION,TIPO) VALUES(%1,%2,'%3','Null')")
              .arg(n)
              .arg(port)
              .arg(description));
}

void holder(ConsoleFixture& f, int id, const QString& name, const QString& surname,
            const QString& photo = {}) {
    f.sql(QStringLiteral("INSERT INTO DORQUSUARIO(ID,NOMBRE,APELLIDOS,PERMANENTE,FOTOGRAFIA) "
                         "VALUES(%1,'%2','%3','S','%4')")
              .arg(id)
              .arg(name, surname, photo));
}

// `expiry` empty: no expiry date and the mark off.
void card(ConsoleFixture& f, const QString& code, int holderId, const QString& expiry = {},
          bool useExpiry = false) {
    f.sql(QStringLiteral("INSERT INTO DORQTARJETA VALUES('%1','N',current_timestamp,%2,%3,'%4')")
              .arg(code, expiry.isEmpty() ? QStringLiteral("NULL") : QStringLiteral("'%1'").arg(expiry))
              .arg(holderId)
              .arg(useExpiry ? "S" : "N"));
}

void assign(ConsoleFixture& f, const QString& code, int controller, bool stored = true) {
    f.sql(QStringLiteral("INSERT INTO DORQCONTROLADORTARJETA VALUES('%1',%2,'%3')")
              .arg(code)
              .arg(controller)
              .arg(stored ? "S" : "N"));
}

QStringList column(ConsoleFixture& f, const QString& statement) {
    QSqlDatabase db = store::Db::connect(f.root.installation(1));
    QStringList out;
    {
        store::Query q(db);
        q.prepare(statement).exec();
        while (q.next())
            out << q.text(0);
        q.close();
    }
    store::Db::disconnect(db);
    return out;
}

QStringList heldBy(ConsoleFixture& f, int controller) {
    return column(f,
                  QStringLiteral("SELECT TARJETA FROM DORQCONTROLADORTARJETA WHERE CONTROLADOR=%1 ORDER BY 1")
                      .arg(controller));
}

QStringList sorted(QStringList l) {
    l.sort();
    return l;
}

QString message(int n) {
    return config::Lang::instance().mensaje(QStringLiteral("Variables_variables_F_Main_%1").arg(n));
}

QTreeView* view(ConsoleFixture& f, const char* name) {
    return f.main().findChild<QTreeView*>(QLatin1String(name));
}

QToolButton* button(ConsoleFixture& f, const char* name) {
    return f.main().findChild<QToolButton*>(QLatin1String(name));
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QList<int> selectedRows(QTreeView* v) {
    QList<int> rows;
    for (const QModelIndex& i : v->selectionModel()->selectedRows())
        rows << i.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

void clickRow(QTreeView* v, int row) {
    const QRect rect = v->visualRect(v->model()->index(row, 0));
    QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, rect.center());
}

} // namespace

class TestRegistro : public QObject {
    Q_OBJECT
private slots:
    void controllerTestShowsEveryAnswer();
    void liveEventsOnlyWhileRegistering();
    void expiredCardWaitsForEveryController();
    void tickFollowsTheSettings_data();
    void tickFollowsTheSettings();
    void tickSkippedDuringAnotherOperation();
    void saveAppendsTxtAndRoundTrips_data();
    void saveAppendsTxtAndRoundTrips();
    void restoreSplitsAtTheFirstFourStars_data();
    void restoreSplitsAtTheFirstFourStars();
    void loadRangeNewestFirst();
    void findSearchesTheShownColumns_data();
    void findSearchesTheShownColumns();
    void findDialogStaysOpenUntilFound();
    void holderWindowForRowsWithHolder();
    void printWithoutPrinterSaysSo();
};

void TestRegistro::controllerTestShowsEveryAnswer() {
    ConsoleFixture f(3);
    settings(f, "Idioma=ENGLISH\n", "COM9=" + NO_ANSWER_DEVICE.toUtf8() + "\n");
    f.controller(1, QStringLiteral("Door A"));
    f.controller(2, QStringLiteral("Door B"));
    f.controller(3, QStringLiteral("Door C"));
    deadController(f, 4, 9, QStringLiteral("Door D"));
    for (const char* code : {"0000000001", "0000000002"}) {
        card(f, QLatin1String(code), -1);
        assign(f, QLatin1String(code), 1);
        assign(f, QLatin1String(code), 2);
    }
    f.host().with(1, [](sim::SimController& c) { c.setMemory({"0000000001", "0000000002"}); });
    f.host().with(2, [](sim::SimController& c) {
        c.setMemory({"0000000001", "0000000002"});
        c.setReportedCount(1);
        c.setSetup({2, 5, 10, 5});
    });
    f.start();
    f.host().with(3, [](sim::SimController& c) { c.setSilent(true); });
    f.main().selecciona(F_Main::Usuarios);

    button(f, "B_Test_TODOS")->click();

    auto* arbol = f.main().findChild<QTreeWidget*>(QStringLiteral("Arbol1"));
    QCOMPARE(arbol->currentItem()->data(0, Qt::UserRole).toInt(), int(F_Main::Lectores));
    QVERIFY(button(f, "B_Test_TODOS")->isEnabled());
    QVERIFY(button(f, "B_Test_Cx")->isEnabled());
    const QString estado = link::DORQComunicador::Texto_Estado(2);
    const QStringList unanswered(7, QStringLiteral("???"));
    const struct {
        Icono activo;
        Icono estado;
        QStringList celdas;
    } expected[] = {
        {Icono::ControladorOk, Icono::ControladorOk, {"1", "Door A", estado, "5", "10", "1.2", "2", "2"}},
        {Icono::ControladorOk, Icono::ControladorAviso, {"2", "Door B", estado, "5", "10", "5.", "1", "2"}},
        {Icono::ControladorSinRespuesta, Icono::AlarmaLector, QStringList{"3"} + unanswered},
        {Icono::PuertoCerrado, Icono::AlarmaLector, QStringList{"4"} + unanswered},
    };
    ModeloLista& l1 = f.list("L1_Contr");
    ModeloLista& l2 = f.list("L2_Contr");
    QCOMPARE(l2.filas(), 4);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(l1.fila(i).iconoDe(COLUMNA_ACTIVO), expected[i].activo);
        QCOMPARE(l2.fila(i).icono, expected[i].estado);
        QCOMPARE(l2.fila(i).celdas, expected[i].celdas);
    }
    // The port that did not open keeps the system's message on its row.
    QVERIFY(!l1.fila(3).ayudas.value(COLUMNA_ACTIVO).isEmpty());
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));

    // Only the selected controller.
    QTreeView* readers = view(f, "L1_Contr");
    readers->selectionModel()->select(l1.index(1, 0),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    button(f, "B_Test_Cx")->click();
    QCOMPARE(l2.filas(), 1);
    QCOMPARE(l2.fila(0).celdas.value(0), QStringLiteral("2"));

    // A double click on the controllers tests them all; the silent one recovered meanwhile.
    f.host().with(3, [](sim::SimController& c) { c.setSilent(false); });
    // As a real double click comes: the first click, then the double click.
    const QPoint at = readers->visualRect(l1.index(2, 0)).center();
    QTest::mouseClick(readers->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(readers->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(l2.filas(), 4);
    QCOMPARE(l1.fila(2).iconoDe(COLUMNA_ACTIVO), Icono::ControladorOk);
    QCOMPARE(l2.fila(2).celdas.value(5), QStringLiteral("1.2"));

    // An adapter pulled out: the next test tries its port again and shows why it cannot.
    f.host().with(1, [](sim::SimController& c) { c.unplug(); });
    button(f, "B_Test_TODOS")->click();
    QCOMPARE(l1.fila(0).iconoDe(COLUMNA_ACTIVO), Icono::PuertoCerrado);
    QVERIFY2(l1.fila(0).ayudas.value(COLUMNA_ACTIVO).contains(f.host().device(1)),
             qPrintable(l1.fila(0).ayudas.value(COLUMNA_ACTIVO)));
    QCOMPARE(l1.fila(1).iconoDe(COLUMNA_ACTIVO), Icono::ControladorOk);
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
}

void TestRegistro::liveEventsOnlyWhileRegistering() {
    ConsoleFixture f(1);
    f.controller(1, QStringLiteral("Gate"));
    holder(f, 1, QStringLiteral("Ana"), QStringLiteral("Ruiz"));
    card(f, QStringLiteral("0012345678"), 1);
    f.start();
    ModeloLista& events = f.list("Lista_Incidencias");

    button(f, "I_PLAY_OFF")->click();
    QVERIFY(f.main().Registrando());
    QVERIFY(button(f, "I_PLAY_OFF")->isHidden());
    QVERIFY(!button(f, "I_PLAY_ON")->isHidden());
    QVERIFY(!button(f, "B_Nueva_Cx")->isEnabled());
    QVERIFY(button(f, "B_Test_Cx")->isEnabled());

    f.host().with(1, [](sim::SimController& c) { c.presentCard(QStringLiteral("12345678")); });
    QTRY_COMPARE(events.filas(), 1);
    f.host().with(1, [](sim::SimController& c) { c.presentCard(QStringLiteral("99")); });
    QTRY_COMPARE(events.filas(), 2);
    const QString granted = f.main().nombresEventos().value(0);
    QCOMPARE(events.fila(0).celdas.value(0), granted);
    QCOMPARE(events.fila(0).celdas.mid(2), (QStringList{"Gate", "0000000099 ", "-1"}));
    QCOMPARE(events.fila(1).celdas.mid(2), (QStringList{"Gate", "0012345678 Ruiz, Ana", "1"}));
    QVERIFY(!events.fila(1).celdas.value(1).isEmpty());
    QCOMPARE(events.fila(1).icono, Icono::AccesoPermitido);

    button(f, "I_PLAY_ON")->click();
    QVERIFY(!f.main().Registrando());
    QVERIFY(!button(f, "I_PLAY_OFF")->isHidden());
    QVERIFY(button(f, "I_PLAY_ON")->isHidden());
    QVERIFY(button(f, "B_Nueva_Cx")->isEnabled());
    const int acks = f.host().with(1, [](sim::SimController& c) { return c.acksReceived(); });
    f.host().with(1, [](sim::SimController& c) { c.presentCard(QStringLiteral("12345678")); });
    // The console acknowledges and drops the event in the same read: once the controller has its
    // ACK, nothing more can arrive.
    QTRY_COMPARE(f.host().with(1, [](sim::SimController& c) { return c.acksReceived(); }), acks + 1);
    QCOMPARE(events.filas(), 2);
    QTRY_COMPARE(f.scalar(QStringLiteral("SELECT COUNT(*) FROM DORQINCIDENCIA")).toInt(), 2);
}

void TestRegistro::expiredCardWaitsForEveryController() {
    ConsoleFixture f(2);
    f.controller(1, QStringLiteral("Door A"));
    f.controller(2, QStringLiteral("Door B"));
    holder(f, 1, QStringLiteral("Ana"), QStringLiteral("Ruiz"));
    const QString expired = QStringLiteral("0000000001");
    card(f, expired, 1, QStringLiteral("2030-01-01 12:00:00"), true);
    card(f, QStringLiteral("0000000002"), 1, QStringLiteral("2030-03-01 12:00:00"), true);  // not yet
    card(f, QStringLiteral("0000000003"), 1, QStringLiteral("2029-01-01 12:00:00"), false); // mark off
    assign(f, expired, 1);
    assign(f, expired, 2);
    assign(f, QStringLiteral("0000000002"), 1);
    assign(f, QStringLiteral("0000000003"), 1);
    f.host().with(1, [](sim::SimController& c) { c.setMemory({"0000000001", "0000000002", "0000000003"}); });
    f.host().with(2, [](sim::SimController& c) { c.setMemory({"0000000001"}); });
    f.start();
    kestrum::ops::Reloj::fija([] { return QDateTime(QDate(2030, 2, 1), QTime(8, 0)); });
    f.host().with(2, [](sim::SimController& c) { c.setSilent(true); });
    f.main().selecciona(F_Main::Tarjetas);
    const auto shownHolder = [&f, &expired] {
        ModeloLista& cards = f.list("Lista3");
        for (int row = 0; row < cards.filas(); ++row) {
            if (cards.fila(row).clave.toString() == expired)
                return cards.fila(row).celdas.value(1);
        }
        return QStringLiteral("<missing>");
    };
    const auto checkMemories = [&f] {
        for (int n = 1; n <= 2; ++n)
            QCOMPARE(sorted(f.memory(n)), heldBy(f, n));
    };
    const QString cardState =
        QStringLiteral("SELECT USUARIO || USAR_FECHA_CAD FROM DORQTARJETA WHERE CODIGO_TARJETA='%1'");

    f.main().Eliminar_Tarj_cad_Y_Test_LectoresTimer();

    QCOMPARE(f.scalar(cardState.arg(expired)).toString(), QStringLiteral("1S"));
    QCOMPARE(heldBy(f, 2), QStringList{expired});
    QCOMPARE(heldBy(f, 1), (QStringList{"0000000002", "0000000003"}));
    checkMemories();
    QCOMPARE(shownHolder(), QStringLiteral("Ana"));
    ModeloLista& events = f.list("Lista_Incidencias");
    QCOMPARE(events.filas(), 1); // the periodic test's line for the silent controller
    QCOMPARE(events.fila(0).celdas.value(0), message(13));
    QCOMPARE(events.fila(0).celdas.mid(2), (QStringList{"Door B", QStringLiteral("¿?¿?"), "-1"}));
    QCOMPARE(events.fila(0).icono, Icono::Ninguno);
    QVERIFY(f.main().timerPeriodico()->isActive());

    f.host().with(2, [](sim::SimController& c) { c.setSilent(false); });
    f.main().Eliminar_Tarj_cad_Y_Test_LectoresTimer();

    QCOMPARE(f.scalar(cardState.arg(expired)).toString(), QStringLiteral("-1N"));
    QVERIFY(heldBy(f, 2).isEmpty());
    QCOMPARE(heldBy(f, 1), (QStringList{"0000000002", "0000000003"}));
    QCOMPARE(f.scalar(cardState.arg(QStringLiteral("0000000002"))).toString(), QStringLiteral("1S"));
    checkMemories();
    QCOMPARE(shownHolder(), QString()); // the shown list was rebuilt
    QCOMPARE(events.filas(), 1);
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
}

void TestRegistro::tickFollowsTheSettings_data() {
    QTest::addColumn<bool>("testSetting");
    QTest::addColumn<bool>("releaseSetting");
    QTest::newRow("both") << true << true;
    QTest::newRow("test only") << true << false;
    QTest::newRow("release only") << false << true;
    QTest::newRow("neither") << false << false;
}

// Controller 2's port never opens, so each periodic test of it adds a line at once.
void TestRegistro::tickFollowsTheSettings() {
    QFETCH(bool, testSetting);
    QFETCH(bool, releaseSetting);
    ConsoleFixture f(1);
    settings(f,
             QStringLiteral("Idioma=ENGLISH\nTestear_cx=%1\nLiberar_tarj=%2\n")
                 .arg(testSetting ? "true" : "false", releaseSetting ? "true" : "false")
                 .toUtf8(),
             "COM9=" + NO_ANSWER_DEVICE.toUtf8() + "\n");
    f.controller(1, QStringLiteral("Door A"));
    deadController(f, 2, 9, QStringLiteral("Door B"));
    holder(f, 1, QStringLiteral("Ana"), QStringLiteral("Ruiz"));
    card(f, QStringLiteral("0000000001"), 1, QStringLiteral("2030-01-01 12:00:00"), true);
    assign(f, QStringLiteral("0000000001"), 1);
    f.host().with(1, [](sim::SimController& c) { c.setMemory({"0000000001"}); });
    f.start();
    kestrum::ops::Reloj::fija([] { return QDateTime(QDate(2030, 2, 1), QTime(8, 0)); });
    ModeloLista& events = f.list("Lista_Incidencias");
    const auto released = [&f] {
        return f.scalar(QStringLiteral("SELECT USUARIO FROM DORQTARJETA")).toInt() == -1;
    };
    QTimer* timer = f.main().timerPeriodico();
    const bool runs = testSetting || releaseSetting;
    QCOMPARE(timer->isActive(), runs);

    if (runs) {
        // Through the timer itself, ticking at once.
        timer->setInterval(0);
        QTRY_VERIFY((!testSetting || events.filas() > 0) && (!releaseSetting || released()));
        timer->setInterval(30000);
    } else {
        f.main().Eliminar_Tarj_cad_Y_Test_LectoresTimer();
    }

    QCOMPARE(events.filas() > 0, testSetting);
    if (testSetting)
        QCOMPARE(events.fila(0).celdas.value(2), QStringLiteral("Door B"));
    QCOMPARE(released(), releaseSetting);
    QCOMPARE(f.memory(1).isEmpty(), releaseSetting);
    QCOMPARE(timer->isActive(), runs);
}

void TestRegistro::tickSkippedDuringAnotherOperation() {
    ConsoleFixture f(2);
    f.controller(1, QStringLiteral("Door A"));
    f.controller(2, QStringLiteral("Door B"));
    holder(f, 1, QStringLiteral("Ana"), QStringLiteral("Ruiz"));
    card(f, QStringLiteral("0000000001"), 1, QStringLiteral("2030-01-01 12:00:00"), true);
    assign(f, QStringLiteral("0000000001"), 1);
    f.host().with(1, [](sim::SimController& c) { c.setMemory({"0000000001"}); });
    f.start();
    kestrum::ops::Reloj::fija([] { return QDateTime(QDate(2030, 2, 1), QTime(8, 0)); });
    const auto commands = [&f](quint8 command) {
        return f.host().with(1, [command](sim::SimController& c) { return c.commandCount(command); }) +
               f.host().with(2, [command](sim::SimController& c) { return c.commandCount(command); });
    };
    const int tests = commands(CMD_TESTEAR);

    // A tick that comes up while the test of all controllers waits for a reply.
    bool ranInside = false;
    QTimer::singleShot(0, &f.main(), [&] {
        ranInside = kestrum::ops::operacionEnCurso();
        f.main().Eliminar_Tarj_cad_Y_Test_LectoresTimer();
    });
    f.main().B_Test_TODOSClick();
    QVERIFY(ranInside);
    QCOMPARE(commands(CMD_TESTEAR), tests + 2);

    // The same with the guard set by hand.
    kestrum::ops::marcaOperacion(true);
    f.main().Eliminar_Tarj_cad_Y_Test_LectoresTimer();
    kestrum::ops::marcaOperacion(false);
    QCOMPARE(commands(CMD_TESTEAR), tests + 2);

    QCOMPARE(commands(CMD_BORRAR), 0);
    QCOMPARE(f.memory(1), QStringList{"0000000001"});
    QCOMPARE(f.scalar(QStringLiteral("SELECT USUARIO FROM DORQTARJETA")).toInt(), 1);
    QCOMPARE(f.list("Lista_Incidencias").filas(), 0);
    QVERIFY(f.main().timerPeriodico()->isActive());
}

namespace {
const QByteArray SAVED_LIST =
    QStringLiteral("Access granted*01/02/30 10:00:00*Door A*0012345678 Ruiz, Ana*1\n"
                   "Reader not responding*01/02/30 10:00:30*Door B*¿?¿?*-1\n")
        .toUtf8();
}

void TestRegistro::saveAppendsTxtAndRoundTrips_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    QTest::newRow("plain name") << "events"
                                << "events.txt";
    QTest::newRow("name with .txt") << "events.txt"
                                    << "events.txt.txt";
}

void TestRegistro::saveAppendsTxtAndRoundTrips() {
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    ConsoleFixture f;
    f.start();
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("source.txt"));
    writeFile(source, SAVED_LIST);
    f.main().Recupera_Incidencias(source);
    const std::vector<Fila> restored{f.list("Lista_Incidencias").fila(0),
                                     f.list("Lista_Incidencias").fila(1)};

    f.main().Salva_Incidencias(dir.filePath(chosen));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files, QDir::Name), QStringList({written, "source.txt"}));
    QCOMPARE(readFile(dir.filePath(written)), SAVED_LIST);
    f.main().Recupera_Incidencias(dir.filePath(written));
    QCOMPARE(f.list("Lista_Incidencias").filas(), 2);
    for (int row = 0; row < 2; ++row)
        QCOMPARE(f.list("Lista_Incidencias").fila(row).celdas,
                 restored[static_cast<std::size_t>(row)].celdas);

    // A file that cannot be written reaches the error display through the button's handler.
    QVERIFY(!protegido([&] { f.main().Salva_Incidencias(dir.filePath(QStringLiteral("missing/events"))); }));
    QCOMPARE(f.errors.size(), 1);
}

void TestRegistro::restoreSplitsAtTheFirstFourStars_data() {
    QTest::addColumn<QByteArray>("language");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<Icono>("image");
    const QByteArray english = "ENGLISH";
    QTest::newRow("five fields") << english << "Access denied*d*Door A*0000000099 *-1"
                                 << QStringList{"Access denied", "d", "Door A", "0000000099 ", "-1"}
                                 << Icono::AccesoDenegado;
    QTest::newRow("star in the last field")
        << english << "Door event*d*Door A*x*-1*more"
        << QStringList{"Door event", "d", "Door A", "x", "-1*more"} << Icono::EventoPuerta;
    QTest::newRow("fourth star missing")
        << english << "Exit button*d*Door A*desc"
        << QStringList{"Exit button", "d", "Door A", "", "Exit button*d*Door A*desc"}
        << Icono::PulsadorSalida;
    QTest::newRow("one star") << english << "Door opened*d"
                              << QStringList{"Door opened", "", "", "", "Door opened*d"}
                              << Icono::AperturaPuerta;
    QTest::newRow("no star") << english << "just text" << QStringList{"", "", "", "", "just text"}
                             << Icono::Ninguno;
    QTest::newRow("no event name") << english << "Intruder*d*s*x*-1"
                                   << QStringList{"Intruder", "d", "s", "x", "-1"} << Icono::Ninguno;
    QTest::newRow("empty caption") << english << "*d*s*x*-1" << QStringList{"", "d", "s", "x", "-1"}
                                   << Icono::Ninguno;
    // No section for the language: the six names are all "¿?" and the last type wins.
    QTest::newRow("names missing") << QByteArray("KLINGON") << QStringLiteral("¿?*d*s*x*-1")
                                   << QStringList{QStringLiteral("¿?"), "d", "s", "x", "-1"}
                                   << Icono::AlarmaLector;
}

void TestRegistro::restoreSplitsAtTheFirstFourStars() {
    QFETCH(QByteArray, language);
    QFETCH(QString, line);
    ConsoleFixture f;
    settings(f, "Idioma=" + language + "\n");
    f.start();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("events.txt"));
    writeFile(file, "first*a*b*c*d\n" + line.toUtf8() + "\n");

    f.main().Recupera_Incidencias(file);

    ModeloLista& events = f.list("Lista_Incidencias");
    QCOMPARE(events.filas(), 2);
    QCOMPARE(events.fila(0).celdas.value(0), QStringLiteral("first"));
    QTEST(events.fila(1).celdas, "fields");
    QTEST(events.fila(1).icono, "image");
}

void TestRegistro::loadRangeNewestFirst() {
    ConsoleFixture f;
    const QString insert = QStringLiteral(
        "INSERT INTO DORQINCIDENCIA(COD,CONTROLADOR,HIST_CONTROLADOR,TARJETA,HIST_TARJETA,\"TIMESTAMP\","
        "DESCRIPCION,EVENTO,USR) VALUES(%1,1,'Door A','','','%2','%3',%4,%5)");
    f.sql(insert.arg(1).arg("2030-01-10 10:00:00", "0000000001 Ruiz, Ana").arg(1).arg(1));
    f.sql(insert.arg(2).arg("2030-01-10 11:00:00", "").arg(5).arg(0));
    f.sql(insert.arg(3).arg("2030-01-10 12:00:00", "x").arg(9).arg(0));
    f.sql(insert.arg(4).arg("2030-01-11 09:00:00", "later").arg(1).arg(-1));
    f.start();
    auto* from = f.main().findChild<QDateTimeEdit*>(QStringLiteral("DateTimePicker1"));
    auto* to = f.main().findChild<QDateTimeEdit*>(QStringLiteral("DateTimePicker2"));
    from->setDateTime(QDateTime(QDate(2030, 1, 10), QTime(9, 30)));
    to->setDateTime(QDateTime(QDate(2030, 1, 10), QTime(12, 30)));
    ModeloLista& events = f.list("Lista_Incidencias");

    button(f, "SpeedButton1")->click();

    QCOMPARE(events.filas(), 3);
    QCOMPARE(events.fila(0).celdas.value(0), QString()); // not an event type
    QCOMPARE(events.fila(0).icono, Icono::Ninguno);
    QCOMPARE(events.fila(1).celdas.value(0), f.main().nombresEventos().value(4));
    QCOMPARE(events.fila(1).icono, Icono::EventoPuerta);
    QCOMPARE(events.fila(2).celdas,
             (QStringList{f.main().nombresEventos().value(0),
                          store::Fecha_Hora_Texto(QDateTime(QDate(2030, 1, 10), QTime(10, 0))), "Door A",
                          "0000000001 Ruiz, Ana", "1"}));
    QCOMPARE(events.fila(2).icono, Icono::AccesoPermitido);

    from->setDateTime(QDateTime(QDate(2030, 1, 12), QTime(0, 0)));
    button(f, "SpeedButton1")->click();
    QCOMPARE(events.filas(), 0);

    from->setDateTime(QDateTime(QDate(2030, 1, 1), QTime(0, 0)));
    button(f, "SpeedButton1")->click();
    QCOMPARE(events.filas(), 3);
    button(f, "SpeedButton9")->click();
    QCOMPARE(events.filas(), 0);
    QTRY_COMPARE(f.scalar(QStringLiteral("SELECT COUNT(*) FROM DORQINCIDENCIA")).toInt(), 4);
}

namespace {
const QByteArray FIND_LIST = QStringLiteral("Access granted*01/02/30*Door A*0012345678 Ruiz, Ana*4242\n"
                                            "Door event*02/02/30*Gate*x*-1\n"
                                            "Exit button*03/02/30*Door B*y*-1\n")
                                 .toUtf8();
}

void TestRegistro::findSearchesTheShownColumns_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("rows");
    QTest::newRow("caption") << "exit" << QList<int>{2};
    QTest::newRow("date") << "02/02" << QList<int>{1};
    QTest::newRow("source, upper case") << "GATE" << QList<int>{1};
    QTest::newRow("description") << "ruiz" << QList<int>{0};
    QTest::newRow("several") << "door" << QList<int>{0, 1, 2};
    QTest::newRow("holder code only") << "4242" << QList<int>{};
    QTest::newRow("empty") << "" << QList<int>{};
}

void TestRegistro::findSearchesTheShownColumns() {
    QFETCH(QString, text);
    QFETCH(QList<int>, rows);
    ConsoleFixture f;
    f.start();
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("l.txt")), FIND_LIST);
    f.main().Recupera_Incidencias(dir.filePath(QStringLiteral("l.txt")));
    QTreeView* list = view(f, "Lista_Incidencias");
    list->selectAll();

    QCOMPARE(f.main().Find_INCFind(text), !rows.isEmpty());
    QCOMPARE(selectedRows(list), rows);
}

void TestRegistro::findDialogStaysOpenUntilFound() {
    ConsoleFixture f;
    f.start();
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("l.txt")), FIND_LIST);
    f.main().Recupera_Incidencias(dir.filePath(QStringLiteral("l.txt")));

    button(f, "B_Buscar_Inc")->click();
    auto* dialog = f.main().findChild<QInputDialog*>(QStringLiteral("Find_INC"));
    QVERIFY(dialog && dialog->isVisible());
    dialog->setTextValue(QStringLiteral("nowhere"));
    dialog->accept();
    QCoreApplication::processEvents();
    QVERIFY(dialog->isVisible());
    dialog->setTextValue(QStringLiteral("gate"));
    dialog->accept();
    QCoreApplication::processEvents();
    QVERIFY(!dialog->isVisible());
    QCOMPARE(selectedRows(view(f, "Lista_Incidencias")), QList<int>{1});
}

void TestRegistro::holderWindowForRowsWithHolder() {
    ConsoleFixture f(3);
    f.controller(1, QStringLiteral("Door A"));
    f.controller(2, QStringLiteral("Door B"));
    f.controller(3, QStringLiteral("Door C"));
    holder(f, 1, QStringLiteral("Ana"), QStringLiteral("Ruiz"), QStringLiteral("ana.png"));
    card(f, QStringLiteral("0012345678"), 1);
    card(f, QStringLiteral("0000000005"), 1);
    assign(f, QStringLiteral("0012345678"), 1);
    assign(f, QStringLiteral("0000000005"), 2, false); // pending counts as well
    QVERIFY(QDir().mkpath(f.root.path(QStringLiteral("Pictures"))));
    QImage photo(40, 50, QImage::Format_RGB32);
    photo.fill(Qt::darkCyan);
    QVERIFY(photo.save(f.root.path(QStringLiteral("Pictures/ana.png"))));
    f.start();
    button(f, "I_PLAY_OFF")->click();
    f.host().with(1, [](sim::SimController& c) { c.presentCard(QStringLiteral("12345678")); });
    QTRY_COMPARE(f.list("Lista_Incidencias").filas(), 1);
    f.host().with(1, [](sim::SimController& c) { c.presentCard(QStringLiteral("77")); });
    QTRY_COMPARE(f.list("Lista_Incidencias").filas(), 2);
    button(f, "SpeedButton11")->click(); // the event panel in view
    QTreeView* list = view(f, "Lista_Incidencias");
    F_User_Muestra& window = *f.w->userMuestra;

    clickRow(list, 1);

    QVERIFY(window.isVisible());
    QVERIFY(!window.isModal());
    QCOMPARE(window.L_Nombre()->text(), QStringLiteral("Ana"));
    QCOMPARE(window.L_Apellidos()->text(), QStringLiteral("Ruiz"));
    QVERIFY(!window.I_Foto()->pixmap().isNull());
    QStringList cards;
    for (int i = 0; i < window.Lista_Tarjetas()->count(); ++i)
        cards << window.Lista_Tarjetas()->item(i)->text();
    QCOMPARE(sorted(cards), (QStringList{"0000000005", "0012345678"}));
    QListWidget* readers = window.CHLista1();
    QCOMPARE(readers->count(), 3);
    const Qt::CheckState checks[] = {Qt::Checked, Qt::Checked, Qt::Unchecked};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(readers->item(i)->text(), QStringLiteral("%1 Door %2").arg(i + 1).arg(QChar('A' + i)));
        QCOMPARE(readers->item(i)->checkState(), checks[i]);
        QVERIFY(!(readers->item(i)->flags() & Qt::ItemIsUserCheckable));
    }

    window.hide();
    clickRow(list, 0); // holder code -1
    QVERIFY(!window.isVisible());
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
}

void TestRegistro::printWithoutPrinterSaysSo() {
    if (!QPrinterInfo::defaultPrinter().isNull())
        QSKIP("a printer is installed: printing would really print");
    ConsoleFixture f;
    f.start();
    button(f, "SpeedButton5")->click();
    QCOMPARE(f.errors,
             QStringList{QStringLiteral("No printer is installed: the event list was not printed.")});
}

QTEST_MAIN(TestRegistro)
#include "tst_registro.moc"
