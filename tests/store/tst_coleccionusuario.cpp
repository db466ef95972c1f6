// The users store on an embedded installation database.
#include "installation.h"
#include "udorqcolecciontarjeta.h"
#include "udorqcoleccionusuario.h"
#include "udorqusuario.h"

#include <QTest>

using namespace kestrum;
using namespace kestrum::store;

class TestColeccionUsuario : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void loadsInOrder_data();
    void loadsInOrder();
    void createGivesTheInsertedId();
    void modifyAndDelete();
    void buscaId_data();
    void buscaId();
    void buscaIdFindsEmptyTexts_data();
    void buscaIdFindsEmptyTexts();
    void cardsOfAHolder();

private:
    DORQColeccionUsuario& usuarios() { return *inst_->sistema().Usuarios(); }
    void addHolder(int id, const QString& nombre, const QString& apellidos, const QString& foto = {}) {
        inst_->sql(QStringLiteral("INSERT INTO dorqusuario VALUES(:id,:n,:a,'S',:f)"),
                   {{"id", id}, {"n", nombre}, {"a", apellidos}, {"f", foto}});
    }
    std::unique_ptr<test::Installation> inst_;
};

void TestColeccionUsuario::initTestCase() {
    inst_ = std::make_unique<test::Installation>();
}

void TestColeccionUsuario::init() {
    inst_->reset();
}

void TestColeccionUsuario::cleanup() {
    inst_->close();
}

void TestColeccionUsuario::cleanupTestCase() {
    inst_.reset();
}

void TestColeccionUsuario::loadsInOrder_data() {
    QTest::addColumn<QString>("orden");
    QTest::addColumn<QList<int>>("ids");
    QTest::newRow("default: id") << QString() << QList<int>{3, 7, 12};
    QTest::newRow("surname") << QStringLiteral("apellidos") << QList<int>{12, 3, 7};
    QTest::newRow("first name, descending") << QStringLiteral("nombre desc") << QList<int>{7, 3, 12};
}

void TestColeccionUsuario::loadsInOrder() {
    QFETCH(QString, orden);
    QFETCH(QList<int>, ids);
    addHolder(7, QStringLiteral("Luis"), QStringLiteral("Pérez"), QStringLiteral("luis.jpg"));
    addHolder(12, QStringLiteral("Ana"), QStringLiteral("Alonso"));
    addHolder(3, QStringLiteral("Eva"), QStringLiteral("Moreno"));
    inst_->sql(QStringLiteral("UPDATE dorqusuario SET fotografia=NULL WHERE id=3"));
    inst_->open();
    if (!orden.isEmpty()) {
        usuarios().Fija_Orden(orden);
        QCOMPARE(usuarios().Usuario(0)->id(), 3); // only at the next load
        usuarios().Carga();
    }
    QList<int> walked;
    for (usuarios().Primero(); !usuarios().Fin(); usuarios().Siguiente())
        walked << usuarios().Usuario()->id();
    QCOMPARE(walked, ids);
    QVERIFY(!usuarios().Usuario()); // the cursor is past the end
    QVERIFY(!usuarios().Usuario(3));

    const auto luis = usuarios().Busca_Usuario(7);
    QVERIFY(luis);
    QCOMPARE(luis->Nombre_Completo(), QStringLiteral("Pérez, Luis"));
    QCOMPARE(luis->fotografia(), QStringLiteral("luis.jpg"));
    QCOMPARE(luis->Texto(), QStringLiteral("7"));
    QCOMPARE(usuarios().Busca_Usuario(3)->fotografia(), QString()); // NULL reads as empty
    QVERIFY(!usuarios().Busca_Usuario(8));
}

void TestColeccionUsuario::createGivesTheInsertedId() {
    // Another console moving the generator right after our insert, as on a shared server.
    inst_->sql(QStringLiteral("SET GENERATOR GEN_DORQUSUARIO_ID TO 41"));
    inst_->sql(QStringLiteral("CREATE TRIGGER other_console FOR dorqusuario AFTER INSERT AS "
                              "DECLARE x INTEGER; BEGIN x = gen_id(GEN_DORQUSUARIO_ID, 1); END"));
    inst_->open();
    DORQUsuario nuevo;
    nuevo.setNombre(QStringLiteral("D'Arcy"));
    nuevo.setApellidos(QStringLiteral("O'Neill Ruiz"));
    nuevo.setFotografia(QStringLiteral("o'neill.jpg"));
    const int id = usuarios().Crea_Usuario(nuevo);
    QCOMPARE(id, 42);
    QCOMPARE(nuevo.id(), -1);
    QCOMPARE(inst_->rows(QStringLiteral("SELECT id,nombre,apellidos,permanente,fotografia FROM dorqusuario")),
             QStringList{QStringLiteral("42|D'Arcy|O'Neill Ruiz|S|o'neill.jpg")});
    const auto stored = usuarios().Busca_Usuario(id);
    QVERIFY(stored);
    QCOMPARE(stored->Nombre_Completo(), QStringLiteral("O'Neill Ruiz, D'Arcy"));
}

void TestColeccionUsuario::modifyAndDelete() {
    addHolder(1, QStringLiteral("Ana"), QStringLiteral("Ruiz Gil"));
    addHolder(2, QStringLiteral("Juan"), QStringLiteral("Sanz"));
    inst_->sql(QStringLiteral("INSERT INTO dorqtarjeta VALUES('0000000001','N',NULL,NULL,1,'N')"));
    DORQSistema& s = inst_->open();

    const auto ana = usuarios().Busca_Usuario(1);
    QCOMPARE(ana->Nombre_Completo(), QStringLiteral("Ruiz Gil, Ana"));
    DORQUsuario cambio;
    cambio.setId(1);
    cambio.setNombre(QStringLiteral("Ana María"));
    cambio.setApellidos(QStringLiteral("D'Ors"));
    cambio.setFotografia(QStringLiteral("ana's.png"));
    QVERIFY(usuarios().Modifica_Usuario(cambio));
    QCOMPARE(inst_->rows(QStringLiteral("SELECT nombre,apellidos,fotografia FROM dorqusuario WHERE id=1")),
             QStringList{QStringLiteral("Ana María|D'Ors|ana's.png")});
    // Reloaded: new entities, while the one held from before still reads as it was.
    QCOMPARE(usuarios().Busca_Usuario(1)->Nombre_Completo(), QStringLiteral("D'Ors, Ana María"));
    QVERIFY(usuarios().Busca_Usuario(1) != ana);
    QCOMPARE(ana->Nombre_Completo(), QStringLiteral("Ruiz Gil, Ana"));

    usuarios().Borra_Usuario(*usuarios().Busca_Usuario(1));
    QCOMPARE(usuarios().Cuenta(), 1);
    QVERIFY(!usuarios().Busca_Usuario(1));
    // The card keeps its usuario value and loads without holder.
    QCOMPARE(inst_->scalar(QStringLiteral("SELECT usuario FROM dorqtarjeta")).toInt(), 1);
    s.Tarjetas()->Carga();
    QVERIFY(!s.Tarjetas()->Busca_Tarjeta(QStringLiteral("0000000001"))->usuario());

    usuarios().Vacia_Usuarios();
    QCOMPARE(usuarios().Cuenta(), 0);
    QCOMPARE(inst_->scalar(QStringLiteral("SELECT count(*) FROM dorqusuario")).toInt(), 0);
}

void TestColeccionUsuario::buscaId_data() {
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<QString>("apellidos");
    QTest::addColumn<int>("id");
    QTest::newRow("exact") << QStringLiteral("Luis") << QStringLiteral("Pérez") << 5;
    QTest::newRow("apostrophes") << QStringLiteral("D'Arcy") << QStringLiteral("O'Neill") << 8;
    QTest::newRow("two alike: the first row") << QStringLiteral("Ana") << QStringLiteral("Ruiz") << 9;
    QTest::newRow("other case") << QStringLiteral("luis") << QStringLiteral("Pérez") << -1;
    QTest::newRow("names swapped") << QStringLiteral("Pérez") << QStringLiteral("Luis") << -1;
}

void TestColeccionUsuario::buscaId() {
    QFETCH(QString, nombre);
    QFETCH(QString, apellidos);
    QFETCH(int, id);
    addHolder(9, QStringLiteral("Ana"), QStringLiteral("Ruiz"));
    addHolder(5, QStringLiteral("Luis"), QStringLiteral("Pérez"));
    addHolder(8, QStringLiteral("D'Arcy"), QStringLiteral("O'Neill"));
    addHolder(2, QStringLiteral("Ana"), QStringLiteral("Ruiz"));
    inst_->open();
    addHolder(20, QStringLiteral("Nueva"), QStringLiteral("Tras la carga"));
    QCOMPARE(usuarios().Busca_Id(nombre, apellidos), id);
    QVERIFY(usuarios().Busca_Usuario(20)); // and reloaded
}

namespace {
enum class Vacio { NullString, EmptyString, SqlNull };
} // namespace

void TestColeccionUsuario::buscaIdFindsEmptyTexts_data() {
    QTest::addColumn<int>("vacio");
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<QString>("apellidos");
    const std::pair<const char*, Vacio> kinds[] = {{"QString()", Vacio::NullString},
                                                   {"QString(\"\")", Vacio::EmptyString},
                                                   {"NULL by SQL", Vacio::SqlNull}};
    for (const auto& [label, kind] : kinds) {
        QTest::addRow("no surname, %s", label) << int(kind) << QStringLiteral("Ana") << QString();
        QTest::addRow("no name, %s", label) << int(kind) << QString() << QStringLiteral("Ruiz");
        QTest::addRow("neither, %s", label) << int(kind) << QString() << QString();
    }
}

// Holders made from received or imported cards have no surname; older versions stored NULL.
void TestColeccionUsuario::buscaIdFindsEmptyTexts() {
    QFETCH(int, vacio);
    QFETCH(QString, nombre);
    QFETCH(QString, apellidos);
    addHolder(100, QStringLiteral("Ana"), QStringLiteral("Ruiz"));
    const auto empty = [&](const QString& s) {
        return s.isEmpty() && Vacio(vacio) == Vacio::EmptyString ? QStringLiteral("") : s;
    };
    int id = 0;
    if (Vacio(vacio) == Vacio::SqlNull) {
        id = 7;
        inst_->sql(
            QStringLiteral("INSERT INTO dorqusuario VALUES(7,%1,%2,'S',NULL)")
                .arg(nombre.isEmpty() ? QStringLiteral("NULL") : QStringLiteral("'%1'").arg(nombre),
                     apellidos.isEmpty() ? QStringLiteral("NULL") : QStringLiteral("'%1'").arg(apellidos)));
        inst_->open();
    } else {
        inst_->open();
        DORQUsuario nuevo;
        nuevo.setNombre(empty(nombre));
        nuevo.setApellidos(empty(apellidos));
        nuevo.setFotografia(empty(QString()));
        id = usuarios().Crea_Usuario(nuevo);
        // Stored as '', never NULL.
        QCOMPARE(
            inst_->rows(
                QStringLiteral("SELECT nombre,apellidos,fotografia FROM dorqusuario WHERE id=%1").arg(id)),
            QStringList{nombre + QLatin1Char('|') + apellidos + QLatin1Char('|')});
    }
    QCOMPARE(usuarios().Busca_Id(nombre.isEmpty() ? QStringLiteral("") : nombre,
                                 apellidos.isEmpty() ? QStringLiteral("") : apellidos),
             id);
    QCOMPARE(usuarios().Busca_Id(nombre, apellidos), id); // null arguments alike
    QCOMPARE(usuarios().Busca_Usuario(id)->apellidos(), apellidos);
}

void TestColeccionUsuario::cardsOfAHolder() {
    addHolder(1, QStringLiteral("Ana"), QStringLiteral("Ruiz"));
    addHolder(2, QStringLiteral("Juan"), QStringLiteral("Sanz"));
    addHolder(3, QStringLiteral("Sin"), QStringLiteral("Tarjetas"));
    for (const char* row : {"'0000000005','N',NULL,NULL,1,'N'", "'0000000003','N',NULL,NULL,2,'N'",
                            "'0000000009','N',NULL,NULL,-1,'N'", "'0000000001','N',NULL,NULL,1,'N'"})
        inst_->sql(QStringLiteral("INSERT INTO dorqtarjeta VALUES(%1)").arg(QLatin1String(row)));
    inst_->sql(QStringLiteral("INSERT INTO dorqcontroladortarjeta VALUES('0000000005',1,'S')"));
    DORQSistema& s = inst_->open();
    s.Tarjetas()->Fija_Orden(QStringLiteral("codigo_tarjeta"));
    s.Tarjetas()->Carga();

    QStringList codes;
    for (const TTarjetaAlmacenada& e : usuarios().Lista_Tarjetas_Usuario(*usuarios().Busca_Usuario(1))) {
        codes << e.tarjeta->codigo_tarjeta();
        QVERIFY(!e.almacenada); // even where the assignment is stored
    }
    QCOMPARE(codes, (QStringList{QStringLiteral("0000000001"), QStringLiteral("0000000005")}));
    QVERIFY(s.Tarjetas()->Fin());
    QVERIFY(usuarios().Busca_Usuario(3)->Lista_Tarjetas().empty());
}

QTEST_GUILESS_MAIN(TestColeccionUsuario)
#include "tst_coleccionusuario.moc"
