// The cards store and the assignments on an embedded installation database, with simulated
// controllers for the retry.
#include "installation.h"
#include "simports.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcolecciontarjeta.h"
#include "udorqcoleccionusuario.h"
#include "udorqcontrolador.h"
#include "udorqusuario.h"

#include <QSet>
#include <QTest>
#include <algorithm>
#include <ctime>
#include <functional>

using namespace kestrum;
using namespace kestrum::store;

namespace {

QDateTime at(int y, int mo, int d, int h, int mi, int s = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

// Each card as "code|holder id|S/N|controller+mark controller+mark..." in store order.
QStringList describe(const DORQColeccionTarjeta& tarjetas) {
    QStringList out;
    for (int i = 0; i < tarjetas.Cuenta(); ++i) {
        const auto t = tarjetas.Tarjeta(i);
        QStringList pairs;
        for (const TAsignacion& a : t->Asignaciones())
            pairs << QString::number(a.controlador) + (a.almacenada ? QLatin1Char('S') : QLatin1Char('N'));
        out << QStringLiteral("%1|%2|%3|%4")
                   .arg(t->codigo_tarjeta())
                   .arg(t->idUsuario())
                   .arg(t->usar_fecha_cad() ? QLatin1Char('S') : QLatin1Char('N'))
                   .arg(pairs.join(QLatin1Char(' ')));
    }
    return out;
}

enum class Fault { None, ClosedConnection };

} // namespace

using Operation = std::function<void(DORQColeccionTarjeta&)>;
Q_DECLARE_METATYPE(Operation)
Q_DECLARE_METATYPE(Fault)

class TestColeccionTarjeta : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void rellenaCodigo_data();
    void rellenaCodigo();
    void loadsHoldersAndAssignments();
    void createWritesTheRow();
    void createErrors_data();
    void createErrors();
    void createAssignments();
    void modifyReloads();
    void statements_data();
    void statements();
    void counts();
    void marks();
    void manyCards();

private:
    DORQColeccionTarjeta& tarjetas() { return *inst_->sistema().Tarjetas(); }
    void addHolder(int id, const QString& nombre, const QString& apellidos) {
        inst_->sql(QStringLiteral("INSERT INTO dorqusuario VALUES(:id,:n,:a,'S','')"),
                   {{"id", id}, {"n", nombre}, {"a", apellidos}});
    }
    void addController(int cod, int puerto) {
        inst_->sql(
            QStringLiteral(
                "INSERT INTO dorqcontrolador(cod,puerto_serie,tipo,descripcion) VALUES(:c,:p,'Null','')"),
            {{"c", cod}, {"p", puerto}});
    }
    void addCard(const QString& code, int usuario, const char* usar = "N", const QDateTime& alta = {},
                 const QDateTime& cad = {}) {
        inst_->sql(QStringLiteral("INSERT INTO dorqtarjeta VALUES(:c,'N',:alta,:cad,:u,:usar)"),
                   {{"c", code},
                    {"alta", alta.isValid() ? QVariant(alta) : QVariant(QMetaType::fromType<QDateTime>())},
                    {"cad", cad.isValid() ? QVariant(cad) : QVariant(QMetaType::fromType<QDateTime>())},
                    {"u", usuario},
                    {"usar", QLatin1String(usar)}});
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

void TestColeccionTarjeta::initTestCase() {
    // Local time away from UTC, so that a time bound in another zone would show.
    qputenv("TZ", "KST-3");
    tzset();
    inst_ = std::make_unique<test::Installation>();
}

void TestColeccionTarjeta::init() {
    inst_->reset();
}

void TestColeccionTarjeta::cleanup() {
    inst_->close();
}

void TestColeccionTarjeta::cleanupTestCase() {
    inst_.reset();
}

void TestColeccionTarjeta::rellenaCodigo_data() {
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("five digits") << "12345"
                                 << "0000012345";
    QTest::newRow("nine digits") << "123456789"
                                 << "0123456789";
    QTest::newRow("ten: unchanged") << "9876543210"
                                    << "9876543210";
    QTest::newRow("eleven: unchanged") << "12345678901"
                                       << "12345678901";
    QTest::newRow("empty") << ""
                           << "0000000000";
}

void TestColeccionTarjeta::rellenaCodigo() {
    QFETCH(QString, in);
    QFETCH(QString, out);
    QCOMPARE(DORQTarjeta::Rellena_Codigo(in), out);
}

void TestColeccionTarjeta::loadsHoldersAndAssignments() {
    addHolder(1, QStringLiteral("Ana"), QStringLiteral("Ruiz"));
    addController(1, 1);
    addController(4, 2);
    addCard(QStringLiteral("0000000010"), 1, "S", at(2024, 3, 1, 8, 30, 15), at(2025, 1, 31, 23, 59));
    addCard(QStringLiteral("0000000020"), -1);
    addCard(QStringLiteral("0000000030"), 99); // holder missing
    // A card's pairs come in the order the rows were stored, not by controller.
    addAssignment(QStringLiteral("0000000010"), 4, "N");
    addAssignment(QStringLiteral("0000000010"), 1, "S");
    addAssignment(QStringLiteral("0000000010"), 9, "N"); // controller not in the store
    addAssignment(QStringLiteral("0000000020"), 1, "S");
    addAssignment(QStringLiteral("0000000077"), 1, "S"); // card not in the store
    DORQSistema& s = inst_->open();

    QCOMPARE(describe(tarjetas()),
             (QStringList{"0000000020|-1|N|1S", "0000000010|1|S|4N 1S 9N", "0000000030|-1|N|"}));
    const auto a = tarjetas().Busca_Tarjeta(QStringLiteral("0000000010"));
    QCOMPARE(a->usuario(), s.Usuarios()->Busca_Usuario(1));
    QCOMPARE(a->fecha_alta(), at(2024, 3, 1, 8, 30, 15));
    QCOMPARE(a->fecha_caducidad(), at(2025, 1, 31, 23, 59));
    QVERIFY(!tarjetas().Busca_Tarjeta(QStringLiteral("0000000020"))->fecha_alta().isValid());
    QVERIFY(!tarjetas().Busca_Tarjeta(QStringLiteral("10")));
    QVERIFY(!tarjetas().Busca_Tarjeta(QStringLiteral("0000000077")));

    const auto& pairs = a->Asignaciones();
    QCOMPARE(a->Controlador(pairs[0]), s.Controladores()->Busca_Controlador(4));
    QVERIFY(!a->Controlador(pairs[2]));
    QCOMPARE(a->Etiqueta(pairs[1]), QStringLiteral("1"));
    QCOMPARE(a->Etiqueta(pairs[2]), QStringLiteral("9?"));
    QVERIFY(a->Pendiente());
    QVERIFY(!tarjetas().Busca_Tarjeta(QStringLiteral("0000000020"))->Pendiente());
}

void TestColeccionTarjeta::createWritesTheRow() {
    addHolder(7, QStringLiteral("Eva"), QStringLiteral("Sanz"));
    DORQSistema& s = inst_->open();
    DORQTarjeta con;
    con.setCodigo_tarjeta(QStringLiteral("0000000001"));
    con.setUsuario(s.Usuarios()->Busca_Usuario(7));
    con.setFecha_alta(at(2024, 5, 6, 10, 0, 30));
    con.setFecha_caducidad(QDateTime(QDate(2024, 12, 31), QTime(20, 0), Qt::UTC)); // stored in local time
    con.setUsar_fecha_cad(true);
    tarjetas().Crea_Tarjeta(con);
    QCOMPARE(tarjetas().Cuenta(), 1); // reloaded

    DORQTarjeta libre;
    libre.setCodigo_tarjeta(QStringLiteral("0000000002"));
    libre.setFecha_alta(at(2024, 5, 6, 11, 0));
    tarjetas().Crea_Tarjeta(libre);
    DORQTarjeta recibida;
    recibida.setCodigo_tarjeta(QStringLiteral("0000000003"));
    recibida.setUsuario(s.Usuarios()->Busca_Usuario(7)); // the argument's holder wins
    tarjetas().Crea_Tarjeta_Con_Titular(recibida, 12);

    QCOMPARE(inst_->rows(QStringLiteral(
                 "SELECT codigo_tarjeta,bloqueado,CAST(fecha_alta AS VARCHAR(30)),"
                 "CAST(fecha_caducidad AS VARCHAR(30)),usuario,usar_fecha_cad FROM dorqtarjeta "
                 "ORDER BY codigo_tarjeta")),
             (QStringList{"0000000001|N|2024-05-06 10:00:30.0000|2024-12-31 23:00:00.0000|7|S",
                          "0000000002|N|2024-05-06 11:00:00.0000|<null>|-1|N",
                          "0000000003|N|<null>|<null>|12|N"}));
    QCOMPARE(tarjetas().Cuenta(), 3);
    QCOMPARE(tarjetas().Busca_Tarjeta(QStringLiteral("0000000001"))->usuario()->Nombre_Completo(),
             QStringLiteral("Sanz, Eva"));
    QVERIFY(!tarjetas().Busca_Tarjeta(QStringLiteral("0000000003"))->usuario()); // holder 12 does not exist
}

void TestColeccionTarjeta::createErrors_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("conTitular");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<bool>("raised");
    QTest::newRow("duplicate: dropped") << "0000000001" << false << Fault::None << false;
    QTest::newRow("eleven characters: raised") << "00000000012" << false << Fault::None << true;
    QTest::newRow("connection closed: raised") << "0000000002" << false << Fault::ClosedConnection << true;
    QTest::newRow("duplicate with holder: raised") << "0000000001" << true << Fault::None << true;
}

void TestColeccionTarjeta::createErrors() {
    QFETCH(QString, code);
    QFETCH(bool, conTitular);
    QFETCH(Fault, fault);
    QFETCH(bool, raised);
    addCard(QStringLiteral("0000000001"), 5, "S");
    inst_->open();
    if (fault == Fault::ClosedConnection)
        tarjetas().Cierra();
    DORQTarjeta t;
    t.setCodigo_tarjeta(code);
    bool threw = false;
    try {
        if (conTitular)
            tarjetas().Crea_Tarjeta_Con_Titular(t, 3);
        else
            tarjetas().Crea_Tarjeta(t);
    } catch (const DbError&) {
        threw = true;
    }
    QCOMPARE(threw, raised);
    QCOMPARE(inst_->rows(QStringLiteral("SELECT codigo_tarjeta,usuario,usar_fecha_cad FROM dorqtarjeta")),
             QStringList{"0000000001|5|S"});
}

void TestColeccionTarjeta::createAssignments() {
    addCard(QStringLiteral("0000000001"), -1);
    addAssignment(QStringLiteral("0000000001"), 2, "S");
    inst_->open();
    DORQTarjeta t;
    t.setCodigo_tarjeta(QStringLiteral("0000000001"));
    tarjetas().Crea_Asignacion(t, 5, true);
    tarjetas().Crea_Asignacion(t, 6, false);
    tarjetas().Crea_Asignacion(t, 2, false); // duplicate: dropped, the row keeps its mark
    DORQTarjeta larga;
    larga.setCodigo_tarjeta(QStringLiteral("00000000011"));
    QVERIFY_THROWS_EXCEPTION(DbError, tarjetas().Crea_Asignacion(larga, 5, true));
    QCOMPARE(assignmentRows(), (QStringList{"0000000001|2|S", "0000000001|5|S", "0000000001|6|N"}));
    QCOMPARE(tarjetas().Busca_Tarjeta(QStringLiteral("0000000001"))->Asignaciones().size(),
             std::size_t(1)); // no reload

    // Rows are written one after another: those before a failing one stay written.
    DORQTarjeta lote;
    lote.setCodigo_tarjeta(QStringLiteral("0000000001"));
    lote.Anyade_Asignacion(1, true);
    lote.Anyade_Asignacion(2, true);
    lote.Anyade_Asignacion(3, true);
    QVERIFY_THROWS_EXCEPTION(DbError, tarjetas().Crea_Asignaciones(lote, true));
    QCOMPARE(assignmentRows(),
             (QStringList{"0000000001|1|S", "0000000001|2|S", "0000000001|5|S", "0000000001|6|N"}));

    DORQTarjeta importada;
    importada.setCodigo_tarjeta(QStringLiteral("0000000009"));
    importada.Anyade_Asignacion(4, true);
    importada.Anyade_Asignacion(1, true);
    QVERIFY(tarjetas().Crea_Tarjeta_Y_Asignaciones(importada));
    QCOMPARE(
        inst_->rows(QStringLiteral("SELECT tarjeta,controlador,\"_STOREDINHW\" FROM dorqcontroladortarjeta "
                                   "WHERE tarjeta='0000000009' ORDER BY controlador")),
        (QStringList{"0000000009|1|N", "0000000009|4|N"}));
    QVERIFY(tarjetas().Busca_Tarjeta(QStringLiteral("0000000009")));
}

void TestColeccionTarjeta::modifyReloads() {
    addHolder(1, QStringLiteral("Ana"), QStringLiteral("Ruiz"));
    addHolder(2, QStringLiteral("Luis"), QStringLiteral("Gil"));
    addController(4, 1);
    addCard(QStringLiteral("0000000001"), 1, "S", at(2024, 1, 1, 9, 0), at(2024, 6, 1, 0, 0));
    addCard(QStringLiteral("0000000002"), 2, "S", at(2024, 1, 1, 9, 0), at(2024, 6, 1, 0, 0));
    addAssignment(QStringLiteral("0000000001"), 4, "S");
    DORQSistema& s = inst_->open();
    const auto held = tarjetas().Busca_Tarjeta(QStringLiteral("0000000001"));

    DORQTarjeta cambio;
    cambio.setCodigo_tarjeta(QStringLiteral("0000000001"));
    cambio.setUsuario(s.Usuarios()->Busca_Usuario(2));
    cambio.setFecha_alta(at(2024, 2, 2, 12, 15));
    cambio.setUsar_fecha_cad(false);
    QVERIFY(tarjetas().Modifica_Tarjeta(cambio));
    DORQTarjeta liberada;
    liberada.setCodigo_tarjeta(QStringLiteral("0000000002"));
    liberada.setFecha_alta(at(2024, 3, 3, 8, 0));
    liberada.setFecha_caducidad(at(2024, 6, 1, 0, 0));
    QVERIFY(tarjetas().Modifica_Tarjeta(liberada));
    QCOMPARE(inst_->rows(QStringLiteral(
                 "SELECT codigo_tarjeta,usuario,usar_fecha_cad,CAST(fecha_alta AS VARCHAR(30)),"
                 "CAST(fecha_caducidad AS VARCHAR(30)) FROM dorqtarjeta ORDER BY codigo_tarjeta")),
             (QStringList{"0000000001|2|N|2024-02-02 12:15:00.0000|<null>",
                          "0000000002|-1|N|2024-03-03 08:00:00.0000|2024-06-01 00:00:00.0000"}));

    const auto fresh = tarjetas().Busca_Tarjeta(QStringLiteral("0000000001"));
    QVERIFY(fresh != held);
    QCOMPARE(fresh->usuario()->id(), 2);
    // The entity from before the reload is still whole, assignments and holder included.
    QCOMPARE(held->usuario()->Nombre_Completo(), QStringLiteral("Ruiz, Ana"));
    QCOMPARE(held->Asignaciones().size(), std::size_t(1));
    QCOMPARE(held->Controlador(held->Asignaciones()[0]), s.Controladores()->Busca_Controlador(4));
}

void TestColeccionTarjeta::statements_data() {
    QTest::addColumn<Operation>("op");
    QTest::addColumn<QStringList>("cards");
    QTest::addColumn<QStringList>("assignments");
    const auto card = [](const char* code) {
        DORQTarjeta t;
        t.setCodigo_tarjeta(QLatin1String(code));
        return t;
    };
    QTest::newRow("delete a card") << Operation([=](auto& s) { s.Borra_Tarjeta(card("000000'001")); })
                                   << QStringList{"0000000002"}
                                   << QStringList{"000000'001|1|S", "000000'001|2|N", "0000000002|1|N"};
    QTest::newRow("delete a card's assignments")
        << Operation([=](auto& s) { s.Borra_Asignaciones_Tarjeta(card("000000'001")); })
        << QStringList{"000000'001", "0000000002"} << QStringList{"0000000002|1|N"};
    QTest::newRow("empty the cards") << Operation([](auto& s) { s.Vacia_Tarjetas(); }) << QStringList()
                                     << QStringList{"000000'001|1|S", "000000'001|2|N", "0000000002|1|N"};
    QTest::newRow("empty the assignments") << Operation([](auto& s) { s.Vacia_Asignaciones(); })
                                           << QStringList{"000000'001", "0000000002"} << QStringList();
}

void TestColeccionTarjeta::statements() {
    QFETCH(Operation, op);
    QFETCH(QStringList, cards);
    QFETCH(QStringList, assignments);
    addCard(QStringLiteral("000000'001"), -1);
    addCard(QStringLiteral("0000000002"), -1);
    addAssignment(QStringLiteral("000000'001"), 1, "S");
    addAssignment(QStringLiteral("000000'001"), 2, "N");
    addAssignment(QStringLiteral("0000000002"), 1, "N");
    inst_->open();
    op(tarjetas());
    QCOMPARE(inst_->rows(QStringLiteral("SELECT codigo_tarjeta FROM dorqtarjeta ORDER BY codigo_tarjeta")),
             cards);
    QCOMPARE(assignmentRows(), assignments);
    QCOMPARE(tarjetas().Cuenta(), 2); // none of them reloads
}

void TestColeccionTarjeta::counts() {
    addCard(QStringLiteral("000000'003"), -1);
    addAssignment(QStringLiteral("0000000003"), 7, "S");
    addAssignment(QStringLiteral("0000000001"), 2, "N");
    addAssignment(QStringLiteral("0000000003"), 2, "S");
    inst_->open();
    QCOMPARE(tarjetas().Cuenta_Asignaciones(), 3);
    QCOMPARE(tarjetas().Cuenta_Tarjetas_Controlador(2), 2);
    QCOMPARE(tarjetas().Cuenta_Tarjetas_Controlador(5), 0);
    QVERIFY(tarjetas().Tiene_Asignaciones(QStringLiteral("0000000003")));
    QVERIFY(!tarjetas().Tiene_Asignaciones(QStringLiteral("0000000004")));
    QVERIFY(!tarjetas().Tiene_Asignaciones(QStringLiteral("000000'003")));
    QVERIFY(tarjetas().Existe_Tarjeta(QStringLiteral("000000'003")));
    QVERIFY(!tarjetas().Existe_Tarjeta(QStringLiteral("0000000003"))); // assigned, but no card row

    QList<int> controladores(tarjetas().Cuenta_Asignaciones());
    QStringList codigos;
    tarjetas().Lee_Asignaciones(controladores, codigos);
    QCOMPARE(controladores, (QList<int>{2, 2, 7}));
    QCOMPARE(codigos.size(), 3);
    QCOMPARE(codigos.last(), QStringLiteral("0000000003"));
    QCOMPARE(QSet<QString>(codigos.begin(), codigos.begin() + 2),
             (QSet<QString>{QStringLiteral("0000000001"), QStringLiteral("0000000003")}));

    // Sized for more rows than there are: no stale entries.
    QList<int> mas(5, -1);
    QStringList mas_codigos(5, QStringLiteral("x"));
    tarjetas().Lee_Asignaciones(mas, mas_codigos);
    QCOMPARE(mas, (QList<int>{2, 2, 7}));
    QCOMPARE(mas_codigos.size(), 3);
}

void TestColeccionTarjeta::marks() {
    addController(1, 1);
    addController(4, 2);
    addCard(QStringLiteral("0000000001"), -1);
    addCard(QStringLiteral("0000000002"), -1);
    addAssignment(QStringLiteral("0000000001"), 1, "N");
    addAssignment(QStringLiteral("0000000001"), 4, "N");
    addAssignment(QStringLiteral("0000000002"), 4, "S");
    addAssignment(QStringLiteral("0000000002"), 1, "N");
    inst_->open();
    tarjetas().Marca_Todas_Almacenadas();
    QCOMPARE(assignmentRows(),
             (QStringList{"0000000001|1|S", "0000000001|4|S", "0000000002|1|S", "0000000002|4|S"}));
    tarjetas().Marca_Pendiente(QStringLiteral("0000000001"), 4);
    QCOMPARE(assignmentRows(),
             (QStringList{"0000000001|1|S", "0000000001|4|N", "0000000002|1|S", "0000000002|4|S"}));
    tarjetas().Fija_Orden(QStringLiteral("codigo_tarjeta"));
    tarjetas().Carga();
    QCOMPARE(describe(tarjetas()), (QStringList{"0000000001|-1|N|1S 4N", "0000000002|-1|N|4S 1S"}));
    QVERIFY(tarjetas().Busca_Tarjeta(QStringLiteral("0000000001"))->Pendiente());
    QVERIFY(!tarjetas().Busca_Tarjeta(QStringLiteral("0000000002"))->Pendiente());
}

void TestColeccionTarjeta::manyCards() {
    constexpr int CARDS = 5000;
    constexpr int HOLDERS = 400;
    QList<QVariantMap> holders, cards, pairs;
    for (int id = 1; id <= HOLDERS; ++id)
        holders << QVariantMap{{"id", id}, {"n", QStringLiteral("N%1").arg(id)}};
    // Every fifth card names a holder that does not exist; odd cards store their pairs in reverse.
    const auto holderOf = [](int i) { return i % 5 == 0 ? HOLDERS + i : i % HOLDERS + 1; };
    const auto pairsOf = [](int i) {
        QList<std::pair<int, QString>> p{{i % 3 + 1, QStringLiteral("S")}, {7, QStringLiteral("N")}};
        if (i % 2)
            std::reverse(p.begin(), p.end());
        return p;
    };
    for (int i = 0; i < CARDS; ++i) {
        const QString code = DORQTarjeta::Rellena_Codigo(QString::number(i));
        cards << QVariantMap{{"c", code}, {"u", holderOf(i)}};
        for (const auto& [controller, mark] : pairsOf(i))
            pairs << QVariantMap{{"t", code}, {"c", controller}, {"m", mark}};
    }
    inst_->batch(QStringLiteral("INSERT INTO dorqusuario VALUES(:id,:n,'','S','')"), holders);
    inst_->batch(QStringLiteral("INSERT INTO dorqtarjeta VALUES(:c,'N',NULL,NULL,:u,'N')"), cards);
    inst_->batch(QStringLiteral("INSERT INTO dorqcontroladortarjeta VALUES(:t,:c,:m)"), pairs);
    inst_->open();

    QCOMPARE(tarjetas().Cuenta(), CARDS);
    int previousHolder = -2;
    for (tarjetas().Primero(); !tarjetas().Fin(); tarjetas().Siguiente()) {
        const auto t = tarjetas().Tarjeta();
        const int i = t->codigo_tarjeta().toInt();
        const int holder = holderOf(i);
        QVERIFY(holder >= previousHolder); // ordered by holder id
        previousHolder = holder;
        QCOMPARE(t->idUsuario(), holder > HOLDERS ? -1 : holder);
        const auto expected = pairsOf(i);
        QCOMPARE(t->Asignaciones().size(), std::size_t(2));
        for (int k = 0; k < 2; ++k) {
            QCOMPARE(t->Asignaciones()[std::size_t(k)].controlador, expected[k].first);
            QCOMPARE(t->Asignaciones()[std::size_t(k)].almacenada, expected[k].second == QLatin1String("S"));
        }
    }
}

QTEST_GUILESS_MAIN(TestColeccionTarjeta)
#include "tst_colecciontarjeta.moc"
