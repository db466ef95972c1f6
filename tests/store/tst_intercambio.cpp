// Cards and holders from spreadsheet rows into a real installation, and back out: the two modes,
// holders found by their exact names, pending assignments, rows skipped and counted, and an import
// that fails leaving nothing written.
#include "installation.h"
#include "intercambio.h"
#include "udorqcolecciontarjeta.h"
#include "udorqcoleccionusuario.h"

#include <QTest>

using namespace kestrum;
using namespace kestrum::store;

namespace {

std::vector<FilaHoja> hoja() {
    return {
        {QStringLiteral("12345"), QStringLiteral("Ana"), QStringLiteral("Ruiz")},
        {QStringLiteral("777"), QStringLiteral("Ana"), QStringLiteral("Ruiz")}, // the same holder
        {QStringLiteral("12A"), QStringLiteral("Bad"), QStringLiteral("Code")},
        {QStringLiteral("0000000042"), QString(), QString()},
        {QStringLiteral("43"), QString(), QString()},
    };
}

} // namespace

class TestIntercambio : public QObject {
    Q_OBJECT
private slots:
    void init() {
        inst_.reset();
        inst_.sql(QStringLiteral(
            "INSERT INTO DORQCONTROLADOR(COD,PUERTO_SERIE,DESCRIPCION,TIPO) VALUES(1,1,'A','Null')"));
        inst_.sql(QStringLiteral(
            "INSERT INTO DORQCONTROLADOR(COD,PUERTO_SERIE,DESCRIPCION,TIPO) VALUES(2,2,'B','Null')"));
        // An existing holder with empty names, whom rows without names join.
        inst_.sql(QStringLiteral(
            "INSERT INTO DORQUSUARIO(ID,NOMBRE,APELLIDOS,PERMANENTE,FOTOGRAFIA) VALUES(5,'','','S','')"));
        inst_.sql(QStringLiteral("SET GENERATOR GEN_DORQUSUARIO_ID TO 5"));
    }
    void cleanupTestCase() { inst_.close(); }

    void addsAndCounts() {
        DORQSistema& s = inst_.open();
        QList<int> vistas;
        const ResultadoImportacion r =
            importaFilas(s, hoja(), {1, 2}, false, [&](int i, const FilaHoja&) { vistas << i; });
        QCOMPARE(vistas, (QList<int>{0, 1, 2, 3, 4}));
        QCOMPARE(r.anyadidas, 4);
        QCOMPARE(r.invalidas, 1);
        QCOMPARE(r.existentes, 0);
        QCOMPARE(r.titulares, 1);
        QCOMPARE(inst_.rows(QStringLiteral("SELECT T.CODIGO_TARJETA, U.ID, U.NOMBRE FROM DORQTARJETA T JOIN "
                                           "DORQUSUARIO U ON U.ID = T.USUARIO ORDER BY 1")),
                 (QStringList{"0000000042|5|", "0000000043|5|", "0000000777|6|Ana", "0000012345|6|Ana"}));
        QCOMPARE(inst_
                     .scalar(QStringLiteral(
                         "SELECT COUNT(*) FROM DORQCONTROLADORTARJETA WHERE \"_STOREDINHW\"='N'"))
                     .toInt(),
                 8);
        QCOMPARE(
            inst_.scalar(QStringLiteral("SELECT COUNT(*) FROM DORQTARJETA WHERE USAR_FECHA_CAD='N'")).toInt(),
            4);
        // The stores were reloaded once.
        QCOMPARE(s.Tarjetas()->Cuenta(), 4);
        QCOMPARE(s.Usuarios()->Cuenta(), 2);

        // The same sheet again adds nothing.
        const ResultadoImportacion otra = importaFilas(s, hoja(), {1, 2}, false);
        QCOMPARE(otra.anyadidas, 0);
        QCOMPARE(otra.existentes, 4);
        QCOMPARE(inst_.scalar(QStringLiteral("SELECT COUNT(*) FROM DORQTARJETA")).toInt(), 4);
    }

    void noControllerTickedAndTheReplacingMode() {
        DORQSistema& s = inst_.open();
        importaFilas(s, hoja(), {1}, false);
        const std::vector<FilaHoja> nueva{
            {QStringLiteral("99"), QStringLiteral("Luis"), QStringLiteral("Gil")}};
        const ResultadoImportacion r = importaFilas(s, nueva, {}, true);
        QCOMPARE(r.anyadidas, 1);
        QCOMPARE(inst_.rows(QStringLiteral("SELECT CODIGO_TARJETA FROM DORQTARJETA")),
                 QStringList{"0000000099"});
        QCOMPARE(inst_.rows(QStringLiteral("SELECT NOMBRE FROM DORQUSUARIO")), QStringList{"Luis"});
        QCOMPARE(inst_.scalar(QStringLiteral("SELECT COUNT(*) FROM DORQCONTROLADORTARJETA")).toInt(), 0);
    }

    // A name longer than its column fails at row 4 of the sheet: nothing of the import stays.
    void aFailedImportWritesNothing() {
        DORQSistema& s = inst_.open();
        std::vector<FilaHoja> filas = hoja();
        filas[2] = {QStringLiteral("555"), QString(200, QLatin1Char('x')), QStringLiteral("Long")};
        try {
            importaFilas(s, filas, {1}, true);
            QFAIL("the import went through");
        } catch (const Error& e) {
            QVERIFY2(e.message().startsWith(QLatin1String("row 4 (555):")), qPrintable(e.message()));
        }
        QCOMPARE(inst_.rows(QStringLiteral("SELECT ID FROM DORQUSUARIO")), QStringList{"5"});
        QCOMPARE(inst_.scalar(QStringLiteral("SELECT COUNT(*) FROM DORQTARJETA")).toInt(), 0);
    }

    void exportFollowsTheCardsStore() {
        DORQSistema& s = inst_.open();
        QVERIFY(filasExportacion(s).empty());
        importaFilas(s, hoja(), {}, false);
        const std::vector<FilaHoja> filas = filasExportacion(s);
        // By holder, as the cards store keeps them: the empty-named holder 5 first, then Ana.
        QStringList vistas;
        for (const FilaHoja& f : filas)
            vistas << f.nombre + QLatin1Char('/') + f.apellidos;
        QCOMPARE(vistas, (QStringList{"/", "/", "Ana/Ruiz", "Ana/Ruiz"}));
        QCOMPARE(QSet<QString>({filas[2].codigo, filas[3].codigo}),
                 QSet<QString>({QStringLiteral("0000012345"), QStringLiteral("0000000777")}));
    }

private:
    test::Installation inst_;
};

QTEST_GUILESS_MAIN(TestIntercambio)
#include "tst_intercambio.moc"
