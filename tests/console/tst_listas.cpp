// The main window's list contents on an embedded installation: the rows built from the stores, the
// one table model, the search and the bundled pictures.
#include "../store/installation.h"
#include "Lang.h"
#include "Variables.h"
#include "iconos.h"
#include "langtexts.h"
#include "listas.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcolecciontarjeta.h"
#include "udorqcoleccionusuario.h"
#include "udorqcomunicador.h"
#include "udorqcontrolador.h"
#include "udorqtarjeta.h"
#include "udorqusuario.h"

#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <QVBoxLayout>
#include <functional>

using namespace kestrum;
using namespace kestrum::store;
using namespace kestrum::ui;

namespace {

// A row as one text: cells joined by "|", the row's picture and key, then the pictures and
// tooltips of other columns.
QString describe(const Fila& f) {
    QString out = f.celdas.join(QLatin1Char('|')) +
                  QStringLiteral(" #%1 @%2").arg(static_cast<int>(f.icono)).arg(f.clave.toString());
    for (auto it = f.iconos.cbegin(); it != f.iconos.cend(); ++it)
        out += QStringLiteral(" +%1:%2").arg(it.key()).arg(static_cast<int>(it.value()));
    for (auto it = f.ayudas.cbegin(); it != f.ayudas.cend(); ++it)
        out += QStringLiteral(" ?%1:%2").arg(it.key()).arg(it.value());
    return out;
}

QStringList describe(const std::vector<Fila>& rows) {
    QStringList out;
    for (const Fila& f : rows)
        out << describe(f);
    return out;
}

QString row(const QStringList& cells, Icono icon, const QVariant& key, QMap<int, Icono> pictures = {}) {
    return describe(Fila{cells, icon, key, std::move(pictures), {}});
}

QDateTime alta(int i) {
    return QDateTime(QDate(2024, 3, i), QTime(14, 5, i));
}

const QDateTime EXPIRY(QDate(2030, 5, 6), QTime(7, 8, 9));

QStringList captions(const ModeloLista& m) {
    QStringList out;
    for (int r = 0; r < m.rowCount(); ++r)
        out << m.data(m.index(r, 0)).toString();
    return out;
}

} // namespace

class TestListas : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void usersRows();
    void cardsRows();
    void search_data();
    void search();
    void controllersSortedAsText_data();
    void controllersSortedAsText();
    void statusRowsKeepTheirPlace();
    void portThatDidNotOpen();
    void activoAfterATest_data();
    void activoAfterATest();
    void statusRow_data();
    void statusRow();
    void loginRows_data();
    void loginRows();
    void headerFromLanguageTexts();
    void twentyThousandCards();
    void everyPictureLoadsAndDiffers();

private:
    DORQColeccionUsuario& usuarios() { return *inst_->sistema().Usuarios(); }
    DORQColeccionTarjeta& tarjetas() { return *inst_->sistema().Tarjetas(); }
    DORQColeccionControlador& controladores() { return *inst_->sistema().Controladores(); }

    void controller(int cod, int port, const QString& description) {
        inst_->sql(QStringLiteral("INSERT INTO dorqcontrolador VALUES(:c,:p,0,'Null',:d)"),
                   {{"c", cod}, {"p", port}, {"d", description}});
    }
    void holder(int id, const QString& nombre, const QString& apellidos) {
        inst_->sql(QStringLiteral("INSERT INTO dorqusuario VALUES(:id,:n,:a,'S',NULL)"),
                   {{"id", id}, {"n", nombre}, {"a", apellidos}});
    }
    void card(const QString& code, int holderId, const QDateTime& issued, const QDateTime& expiry = {},
              bool usesExpiry = false) {
        inst_->sql(QStringLiteral("INSERT INTO dorqtarjeta VALUES(:c,'N',:alta,:cad,:u,:usar)"),
                   {{"c", code},
                    {"alta", issued},
                    {"cad", expiry.isValid() ? QVariant(expiry) : QVariant(QMetaType::fromType<QDateTime>())},
                    {"u", holderId},
                    {"usar", usesExpiry ? "S" : "N"}});
    }
    void assign(const QString& code, int cod, bool stored) {
        inst_->sql(QStringLiteral("INSERT INTO dorqcontroladortarjeta VALUES(:t,:c,:m)"),
                   {{"t", code}, {"c", cod}, {"m", stored ? "S" : "N"}});
    }
    // Many rows through one prepared statement in one transaction.
    void insertAll(const QString& sql, int count, const std::function<QVariantMap(int)>& values) {
        QSqlDatabase db = inst_->db();
        db.transaction();
        Query q(db);
        q.prepare(sql);
        for (int i = 0; i < count; ++i) {
            const QVariantMap v = values(i);
            for (auto it = v.begin(); it != v.end(); ++it)
                q.bind(it.key(), it.value());
            q.exec();
        }
        db.commit();
    }

    // Three controllers, three holders and five cards, one of them free, with stored and pending
    // assignments and one to a controller that is not in the store. The cards store walks the codes
    // downwards, so that store order and code order differ.
    void scenario();

    std::unique_ptr<test::Installation> inst_;
};

void TestListas::initTestCase() {
    inst_ = std::make_unique<test::Installation>();
}

void TestListas::init() {
    inst_->reset();
}

void TestListas::cleanup() {
    config::Lang::instance().close();
    inst_->close();
}

void TestListas::cleanupTestCase() {
    inst_.reset();
}

void TestListas::scenario() {
    controller(1, 1, QStringLiteral("Door A"));
    controller(2, 2, QStringLiteral("Door B"));
    controller(3, 3, QStringLiteral("Garage"));
    holder(10, QStringLiteral("Ana"), QStringLiteral("Alonso"));
    holder(20, QStringLiteral("Luis"), QStringLiteral("Pérez"));
    holder(30, QStringLiteral("Eva"), QStringLiteral("Moreno"));
    card(QStringLiteral("0000000001"), 10, alta(1));
    assign(QStringLiteral("0000000001"), 1, true);
    assign(QStringLiteral("0000000001"), 2, true);
    card(QStringLiteral("0000000002"), 10, alta(2), EXPIRY, false); // a date that is not in use
    card(QStringLiteral("0000000003"), 20, alta(3));
    assign(QStringLiteral("0000000003"), 1, true);
    assign(QStringLiteral("0000000003"), 3, false);
    card(QStringLiteral("0000000004"), -1, alta(4), EXPIRY, true);
    assign(QStringLiteral("0000000004"), 2, true);
    card(QStringLiteral("0000000005"), 20, alta(5));
    assign(QStringLiteral("0000000005"), 7, true);
    assign(QStringLiteral("0000000005"), 2, false);
    inst_->open();
    tarjetas().Fija_Orden(QStringLiteral("codigo_tarjeta desc"));
    tarjetas().Carga();
}

void TestListas::usersRows() {
    scenario();
    const QStringList expected{
        row({"Ana", "Alonso", "2", " 0000000002() 0000000001(Door A,Door B)", "10"}, Icono::Usuario, 10),
        row({"Luis", "Pérez", "2", " 0000000005(7?) 0000000003(Door A)", "20"}, Icono::UsuarioPendiente, 20),
        row({"Eva", "Moreno", "0", "", "30"}, Icono::Usuario, 30),
    };
    QCOMPARE(describe(filasUsuarios(usuarios(), tarjetas(), controladores())), expected);
}

void TestListas::cardsRows() {
    scenario();
    const QStringList expected{
        row({"0000000005", "Luis", "Pérez", "7?", "", "", "05/03/2024 14:05:05"}, Icono::TarjetaPendiente,
            "0000000005"),
        row({"0000000004", "", "", "Door B", "", "06/05/2030 07:08:09", "04/03/2024 14:05:04"},
            Icono::Tarjeta, "0000000004", {{COLUMNA_CADUCIDAD, Icono::Caducidad}}),
        row({"0000000003", "Luis", "Pérez", "Door A", "", "", "03/03/2024 14:05:03"}, Icono::TarjetaPendiente,
            "0000000003"),
        row({"0000000002", "Ana", "Alonso", "", "", "", "02/03/2024 14:05:02"}, Icono::Tarjeta, "0000000002"),
        row({"0000000001", "Ana", "Alonso", "Door A,Door B", "", "", "01/03/2024 14:05:01"}, Icono::Tarjeta,
            "0000000001"),
    };
    const std::vector<Fila> rows = filasTarjetas(tarjetas(), controladores());
    QCOMPARE(describe(rows), expected);

    // What the view gets for the expiry column: the picture, no text.
    ModeloLista model(Lista::Tarjetas);
    model.setFilas(rows);
    const QModelIndex expiry = model.index(1, COLUMNA_CADUCIDAD);
    QVERIFY(!model.data(expiry, Qt::DecorationRole).value<QIcon>().isNull());
    QCOMPARE(model.data(expiry).toString(), QString());
    QVERIFY(!model.data(model.index(0, COLUMNA_CADUCIDAD), Qt::DecorationRole).isValid());
    QCOMPARE(model.data(model.index(2, 3), ModeloLista::RolClave).toString(), QStringLiteral("0000000003"));
}

void TestListas::search_data() {
    QTest::addColumn<bool>("cards");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("rows");
    // users: Ana (10), Luis (20), Eva (30); cards: 5, 4, 3, 2, 1
    QTest::newRow("users: caption, any case") << false << "aNA" << QList<int>{0};
    QTest::newRow("users: surname with an accent") << false << "pérez" << QList<int>{1};
    QTest::newRow("users: cards text") << false << "door b" << QList<int>{0};
    QTest::newRow("users: missing controller") << false << "7?" << QList<int>{1};
    QTest::newRow("users: several rows") << false << "0000000" << QList<int>{0, 1};
    QTest::newRow("users: pending assignment is not in the text") << false << "garage" << QList<int>{};
    QTest::newRow("users: key column never") << false << "30" << QList<int>{};
    QTest::newRow("users: nothing") << false << "xyz" << QList<int>{};
    QTest::newRow("users: empty text") << false << "" << QList<int>{};
    QTest::newRow("cards: caption") << true << "0000000004" << QList<int>{1};
    QTest::newRow("cards: holder, never the free card") << true << "alonso" << QList<int>{3, 4};
    QTest::newRow("cards: readers") << true << "Door B" << QList<int>{1, 4};
    QTest::newRow("cards: expiry date") << true << "06/05/2030" << QList<int>{1};
    QTest::newRow("cards: issue date, the last sub-item") << true << "14:05:03" << QList<int>{2};
}

void TestListas::search() {
    QFETCH(bool, cards);
    QFETCH(QString, text);
    scenario();
    ModeloLista model(cards ? Lista::Tarjetas : Lista::Usuarios);
    model.setFilas(cards ? filasTarjetas(tarjetas(), controladores())
                         : filasUsuarios(usuarios(), tarjetas(), controladores()));
    QTEST(busca(model, text, cards ? ULTIMA_SUBCOLUMNA_TARJETAS : ULTIMA_SUBCOLUMNA_USUARIOS), "rows");
}

void TestListas::controllersSortedAsText_data() {
    QTest::addColumn<QList<int>>("numbers");
    QTest::addColumn<QStringList>("captions");
    QTest::newRow("numbers as text") << QList<int>{2, 10, 1, 33} << QStringList{"1", "10", "2", "33"};
    QTest::newRow("one") << QList<int>{5} << QStringList{"5"};
    QTest::newRow("none") << QList<int>{} << QStringList{};
}

void TestListas::controllersSortedAsText() {
    QFETCH(QList<int>, numbers);
    for (int n : numbers)
        controller(n, n, QStringLiteral("Door %1").arg(n));
    inst_->open();
    ModeloLista model(Lista::Controladores);
    model.setFilas(filasControladores(controladores()));
    QTEST(captions(model), "captions");
    for (int r = 0; r < model.rowCount(); ++r) {
        const Fila& f = model.fila(r);
        QCOMPARE(f.celdas,
                 (QStringList{f.clave.toString(), "Door " + f.clave.toString(), f.clave.toString(), " "}));
    }

    ModeloLista ini(Lista::INI); // kept in store order
    ini.setFilas(filasListaINI(controladores()));
    QStringList storeOrder;
    for (int i = 0; i < controladores().Cuenta(); ++i)
        storeOrder << QString::number(controladores().Controlador(i)->cod());
    QCOMPARE(captions(ini), storeOrder);
}

void TestListas::statusRowsKeepTheirPlace() {
    ModeloLista model(Lista::Estado);
    link::TTest_Informacion answered;
    answered.Ok = 1;
    QList<int> places;
    for (const auto& [number, description] :
         {std::pair{2, "two"}, {10, "ten"}, {1, "one"}, {10, "ten again"}, {3, "three"}})
        places << model.anyadeFila(filaEstado(number, QString::fromLatin1(description), answered, 0));
    QCOMPARE(places, (QList<int>{0, 0, 0, 2, 4}));
    QCOMPARE(captions(model), (QStringList{"1", "10", "10", "2", "3"}));
    QCOMPARE(model.fila(1).celdas.value(1), QStringLiteral("ten"));
    QCOMPARE(model.fila(2).celdas.value(1), QStringLiteral("ten again"));
    QCOMPARE(model.data(model.index(1, 6), Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
    QVERIFY(!model.data(model.index(1, 1), Qt::TextAlignmentRole).isValid());
}

void TestListas::portThatDidNotOpen() {
    controller(4, 250, QStringLiteral("Unplugged")); // /dev/ttyS249: no such device
    controller(5, 251, QStringLiteral("Not connected yet"));
    inst_->open();
    auto unplugged = controladores().Busca_Controlador(4);
    QVERIFY(!unplugged->Conecta());
    QVERIFY(!unplugged->ultimoError().isEmpty());

    ModeloLista model(Lista::Controladores);
    model.setFilas(filasControladores(controladores()));
    QCOMPARE(describe(model.fila(0)),
             row({"4", "Unplugged", "250", " "}, Icono::Lector, 4, {{COLUMNA_ACTIVO, Icono::PuertoCerrado}}) +
                 " ?3:" + unplugged->ultimoError());
    QCOMPARE(describe(model.fila(1)), row({"5", "Not connected yet", "251", " "}, Icono::Lector, 5));

    const QModelIndex activo = model.index(0, COLUMNA_ACTIVO);
    QCOMPARE(model.data(activo, Qt::ToolTipRole).toString(), unplugged->ultimoError());
    QVERIFY(!model.data(activo, Qt::DecorationRole).value<QIcon>().isNull());
    QCOMPARE(model.data(activo, Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
    QVERIFY(!model.data(model.index(1, COLUMNA_ACTIVO), Qt::ToolTipRole).isValid());
    QVERIFY(!model.data(model.index(1, COLUMNA_ACTIVO), Qt::DecorationRole).isValid());
}

void TestListas::activoAfterATest_data() {
    QTest::addColumn<bool>("portClosed");
    QTest::addColumn<bool>("answers");
    QTest::addColumn<int>("picture");
    QTest::addColumn<bool>("tooltip");
    QTest::newRow("answers") << false << true << int(Icono::ControladorOk) << false;
    QTest::newRow("silent") << false << false << int(Icono::ControladorSinRespuesta) << false;
    QTest::newRow("port closed, silent") << true << false << int(Icono::PuertoCerrado) << true;
    QTest::newRow("port reopened, answers") << true << true << int(Icono::ControladorOk) << false;
}

void TestListas::activoAfterATest() {
    QFETCH(bool, portClosed);
    QFETCH(bool, answers);
    controller(4, 250, QStringLiteral("Reader"));
    inst_->open();
    if (portClosed)
        QVERIFY(!controladores().Controlador(0)->Conecta());
    ModeloLista model(Lista::Controladores);
    model.setFilas(filasControladores(controladores()));
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    Fila f = model.fila(0);
    // A port that opened again by the test that answered has no error any more.
    marcaActivo(f, answers, answers ? QString() : controladores().Controlador(0)->ultimoError());
    model.actualizaFila(0, f);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.at(0).at(0).toModelIndex(), model.index(0, 0));
    QCOMPARE(changed.at(0).at(1).toModelIndex(), model.index(0, COLUMNA_ACTIVO));
    const QModelIndex activo = model.index(0, COLUMNA_ACTIVO);
    QTEST(model.data(activo, ModeloLista::RolIcono).toInt(), "picture");
    QTEST(model.data(activo, Qt::ToolTipRole).isValid(), "tooltip");
    QCOMPARE(model.fila(0).celdas, (QStringList{"4", "Reader", "250", " "}));
}

void TestListas::statusRow_data() {
    QTest::addColumn<int>("ok");
    QTest::addColumn<QString>("doorTime");
    QTest::addColumn<int>("version");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("inDatabase");
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<int>("picture");
    QTest::newRow("counts match") << 1 << "1E" << 12 << "300" << 300
                                  << QStringList{"3", "Hall", "Normal", "30", "10", "1.2", "300", "300"}
                                  << int(Icono::ControladorOk);
    QTest::newRow("one card more in the database")
        << 1 << "0A" << 12 << "300" << 301
        << QStringList{"3", "Hall", "Normal", "10", "10", "1.2", "300", "301"}
        << int(Icono::ControladorAviso);
    QTest::newRow("one-digit version")
        << 1 << "FF" << 5 << "0" << 0 << QStringList{"3", "Hall", "Normal", "255", "10", "5.", "0", "0"}
        << int(Icono::ControladorOk);
    QTest::newRow("no answer") << 0 << "" << 0 << "" << 2
                               << QStringList{"3", "???", "???", "???", "???", "???", "???", "???"}
                               << int(Icono::AlarmaLector);
}

void TestListas::statusRow() {
    QFETCH(int, ok);
    QFETCH(QString, doorTime);
    QFETCH(int, version);
    QFETCH(QString, stored);
    QFETCH(int, inDatabase);
    link::TTest_Informacion info;
    info.Ok = ok;
    if (ok == 1) {
        info.Estado = QStringLiteral("Normal");
        info.T_Abrepuertas = doorTime;
        info.T_Puerta_Abierta = QStringLiteral("0A");
        info.Version = version;
        info.Num_Tarjetas = stored;
    }
    const Fila f = filaEstado(3, QStringLiteral("Hall"), info, inDatabase);
    QTEST(f.celdas, "cells");
    QTEST(int(f.icono), "picture");
    QCOMPARE(f.clave.toInt(), 3);
}

void TestListas::loginRows_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QStringList>("cells");
    QTest::newRow("login and role") << "ana*USER" << QStringList{"ana", "USER"};
    QTest::newRow("a star in the role") << "ana*US*ER" << QStringList{"ana", "US*ER"};
    QTest::newRow("no role") << "ana*" << QStringList{"ana", ""};
}

void TestListas::loginRows() {
    QFETCH(QString, entry);
    const std::vector<Fila> rows = filasLogins({entry});
    QCOMPARE(rows.size(), std::size_t(1));
    QTEST(rows[0].celdas, "cells");
    QCOMPARE(rows[0].clave.toString(), rows[0].celdas.value(0));
}

void TestListas::headerFromLanguageTexts() {
    QFile file(config::Lang::fileName());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[ENGLISH]\n"
               "F_Test_L1_Contr_Columns1_Caption=Description\n"
               "F_Test_L1_Contr_Columns3_Caption=Active\n"
               "F_Test_L1_Contr_Columns4_Caption=No such column\n");
    file.close();
    config::Lang::instance().open();
    config::Variables::instance().language = QStringLiteral("ENGLISH");

    QWidget window;
    window.setObjectName(QStringLiteral("F_Test"));
    auto* view = new QTreeView(&window);
    view->setObjectName(QStringLiteral("L1_Contr"));
    auto* model = new ModeloLista(Lista::Controladores, view);
    view->setModel(model);
    (new QVBoxLayout(&window))->addWidget(view);
    QSignalSpy changed(model, &QAbstractItemModel::headerDataChanged);

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Columns4_Caption")));
    applyLangTexts(&window, QStringLiteral("F_Test"),
                   {lang::column(QStringLiteral("L1_Contr"), 1), lang::column(QStringLiteral("L1_Contr"), 3),
                    lang::column(QStringLiteral("L1_Contr"), 4)});
    QStringList shown;
    for (int c = 0; c < model->columnCount(); ++c)
        shown << model->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(shown, (QStringList{"Lector", "Description", "COM", "Active"}));
    QCOMPARE(changed.size(), 2);
    QVERIFY(!model->setHeaderData(0, Qt::Vertical, QStringLiteral("row")));
}

void TestListas::twentyThousandCards() {
    constexpr int HOLDERS = 2000;
    constexpr int CARDS = 20000;
    for (int c = 1; c <= 3; ++c)
        controller(c, c, QStringLiteral("Door %1").arg(c));
    insertAll(QStringLiteral("INSERT INTO dorqusuario VALUES(:id,:n,:a,'S',NULL)"), HOLDERS, [](int i) {
        return QVariantMap{
            {"id", i + 1}, {"n", QStringLiteral("Name %1").arg(i + 1)}, {"a", QStringLiteral("Surname")}};
    });
    // Card i: holder i % 2000 + 1 except every tenth (free), controller i % 3 + 1 stored unless
    // i % 7 == 0, and every fifth card also on controller 9, which is not in the store.
    const auto code = [](int i) { return DORQTarjeta::Rellena_Codigo(QString::number(i + 1)); };
    const auto holderOf = [](int i) { return i % 10 == 0 ? -1 : i % HOLDERS + 1; };
    const QDateTime issued(QDate(2024, 1, 1), QTime(8, 0));
    insertAll(QStringLiteral("INSERT INTO dorqtarjeta VALUES(:c,'N',:alta,:cad,:u,:usar)"), CARDS,
              [&](int i) {
                  return QVariantMap{{"c", code(i)},
                                     {"alta", issued.addSecs(i)},
                                     {"cad", issued.addDays(365)},
                                     {"u", holderOf(i)},
                                     {"usar", i % 4 ? "N" : "S"}};
              });
    insertAll(QStringLiteral("INSERT INTO dorqcontroladortarjeta VALUES(:t,:c,:m)"), CARDS, [&](int i) {
        return QVariantMap{{"t", code(i)}, {"c", i % 3 + 1}, {"m", i % 7 ? "S" : "N"}};
    });
    insertAll(QStringLiteral("INSERT INTO dorqcontroladortarjeta VALUES(:t,9,'S')"), CARDS / 5, [&](int i) {
        return QVariantMap{{"t", code(i * 5)}};
    });
    inst_->open();
    tarjetas().Fija_Orden(QStringLiteral("codigo_tarjeta"));
    tarjetas().Carga();
    QCOMPARE(tarjetas().Cuenta(), CARDS);

    const auto readers = [](int i) {
        QStringList out;
        if (i % 7)
            out << QStringLiteral("Door %1").arg(i % 3 + 1);
        if (i % 5 == 0)
            out << QStringLiteral("9?");
        return out;
    };
    ModeloLista cards(Lista::Tarjetas);
    cards.setFilas(filasTarjetas(tarjetas(), controladores()));
    QCOMPARE(cards.rowCount(), CARDS);
    for (int i : {0, 1, 7, 9999, 12345, CARDS - 1}) {
        const int h = holderOf(i);
        const QStringList expected{code(i),
                                   h < 0 ? QString() : QStringLiteral("Name %1").arg(h),
                                   h < 0 ? QString() : QStringLiteral("Surname"),
                                   readers(i).join(QLatin1Char(',')),
                                   QString(),
                                   i % 4 ? QString() : QStringLiteral("31/12/2024 08:00:00"),
                                   issued.addSecs(i).toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"))};
        QCOMPARE(cards.fila(i).celdas, expected);
        QCOMPARE(cards.fila(i).icono, i % 7 ? Icono::Tarjeta : Icono::TarjetaPendiente);
    }

    ModeloLista users(Lista::Usuarios);
    users.setFilas(filasUsuarios(usuarios(), tarjetas(), controladores()));
    QCOMPARE(users.rowCount(), HOLDERS);
    int held = 0;
    for (int r = 0; r < users.rowCount(); ++r)
        held += users.fila(r).celdas.value(2).toInt();
    QCOMPARE(held, CARDS - CARDS / 10);
    // Each spot holder's cards as the store itself finds them, by walking every card.
    for (int r : {0, 1, 2, 999, HOLDERS - 1}) {
        const auto u = usuarios().Usuario(r);
        QString text;
        bool pending = false;
        const TTarjetaLista own = u->Lista_Tarjetas();
        for (const TTarjetaAlmacenada& t : own) {
            const int i = t.tarjeta->codigo_tarjeta().toInt() - 1;
            text += QLatin1Char(' ') + t.tarjeta->codigo_tarjeta() + QLatin1Char('(') +
                    readers(i).join(QLatin1Char(',')) + QLatin1Char(')');
            pending = pending || i % 7 == 0;
        }
        QCOMPARE(users.fila(r).celdas, (QStringList{u->nombre(), u->apellidos(), QString::number(own.size()),
                                                    text, QString::number(u->id())}));
        QCOMPARE(users.fila(r).icono, pending ? Icono::UsuarioPendiente : Icono::Usuario);
    }
}

void TestListas::everyPictureLoadsAndDiffers() {
    QVERIFY(icono(Icono::Ninguno).isNull());
    QList<QImage> seen;
    for (int i = 1; i < NUMERO_ICONOS; ++i) {
        const QIcon icon = icono(static_cast<Icono>(i));
        QVERIFY2(!icon.isNull(), qPrintable(QString::number(i)));
        const QImage image = icon.pixmap(QSize(16, 16)).toImage();
        QCOMPARE(image.size(), QSize(16, 16));
        for (int j = 0; j < seen.size(); ++j)
            QVERIFY2(seen[j] != image, qPrintable(QStringLiteral("%1 looks like %2").arg(i).arg(j + 1)));
        seen << image;
    }
    QList<Icono> events;
    for (int type = 0; type <= 7; ++type)
        events << iconoIncidencia(type);
    QCOMPARE(events.first(), Icono::Ninguno);
    QCOMPARE(events.last(), Icono::Ninguno);
    for (int type = 1; type <= 6; ++type)
        QCOMPARE(events.count(events[type]), 1);
}

QTEST_MAIN(TestListas)
#include "tst_listas.moc"
