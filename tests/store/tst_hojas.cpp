// Spreadsheet files: .xlsx and .csv written and read back, numbers read as the sheet shows them,
// the legacy .xls fixture, where an import's rows end, and the errors a file can give.
#include "hojas.h"
#include "intercambio.h"
#include "kerror.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <xlsxwriter.h>

using namespace kestrum;
using namespace kestrum::store;

class TestHojas : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_data() {
        QTest::addColumn<QString>("nombre");
        QTest::newRow("xlsx") << QStringLiteral("cards.xlsx");
        QTest::newRow("csv") << QStringLiteral("cards.csv");
    }
    void roundTrip() {
        QFETCH(QString, nombre);
        QTemporaryDir dir;
        const QString fichero = dir.filePath(nombre);
        const QStringList cabecera{QStringLiteral("Card no."), QStringLiteral("Name"),
                                   QStringLiteral("Surname")};
        const std::vector<FilaHoja> filas{
            {QStringLiteral("0000012345"), QStringLiteral("Seán"), QStringLiteral("O'Brien")},
            {QStringLiteral("0000000007"), QStringLiteral("王"), QStringLiteral("小明")},
            {QStringLiteral("0000000008"), QStringLiteral("Ana, \"la jefa\""), QStringLiteral("Ruiz; Gil")},
            {QStringLiteral("0000000009"), QString(), QString()},
        };
        escribeHoja(fichero, cabecera, filas);
        QVERIFY(!QFile::exists(fichero + QStringLiteral(".part")));
        const std::vector<FilaHoja> leidas = leeHoja(fichero);
        QCOMPARE(leidas.size(), filas.size() + 1);
        QCOMPARE(leidas[0], (FilaHoja{cabecera[0], cabecera[1], cabecera[2]}));
        QCOMPARE(filasAImportar(leidas), filas);
    }

    // Numbers as a spreadsheet program stores them, and the first empty code ending the rows.
    void numbersAndTheEndOfTheRows() {
        QTemporaryDir dir;
        const QByteArray fichero = QFile::encodeName(dir.filePath(QStringLiteral("numbers.xlsx")));
        lxw_workbook* libro = workbook_new(fichero.constData());
        workbook_add_worksheet(libro, "Skipped");
        lxw_worksheet* hoja = workbook_add_worksheet(libro, "Cards");
        worksheet_activate(hoja);
        worksheet_write_string(hoja, 0, 0, "Card", nullptr);
        worksheet_write_number(hoja, 1, 0, 12345, nullptr);
        worksheet_write_number(hoja, 2, 0, 12345.0, nullptr);
        worksheet_write_number(hoja, 3, 0, 7.5, nullptr);
        worksheet_write_string(hoja, 3, 2, "Gil", nullptr);
        worksheet_write_string(hoja, 5, 0, "999", nullptr); // after the empty A5
        QCOMPARE(workbook_close(libro), LXW_NO_ERROR);
        const std::vector<FilaHoja> filas = filasAImportar(leeHoja(QString::fromLocal8Bit(fichero)));
        QCOMPARE(filas.size(), std::size_t(3));
        QCOMPARE(filas[0].codigo, QStringLiteral("12345"));
        QCOMPARE(codigoImportado(filas[1].codigo), QStringLiteral("0000012345"));
        QCOMPARE(filas[2], (FilaHoja{QStringLiteral("7.5"), QString(), QStringLiteral("Gil")}));
        QVERIFY(!codigoValido(filas[2].codigo));
    }

    void legacyWorkbook() {
        const std::vector<FilaHoja> filas = leeHoja(QStringLiteral(KESTRUM_TEST_DATA "/cards.xls"));
        QCOMPARE(
            filasAImportar(filas),
            (std::vector<FilaHoja>{{QStringLiteral("12345"), QStringLiteral("José"), QStringLiteral("Núñez")},
                                   {QStringLiteral("777"), QStringLiteral("Zoë"), QStringLiteral("O'Brien")},
                                   {QStringLiteral("0000000042"), QString(), QString()}}));
    }

    void csvOfOtherSystems() {
        QTemporaryDir dir;
        const QString fichero = dir.filePath(QStringLiteral("other.csv"));
        QFile f(fichero);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\xEF\xBB\xBF"
                "Code;Name;Surname\r\n"
                "\"00042\";\"Mar\xC3\xAD" "a\";\"De la \"\"Vega\"\"\"\r\n"
                "43;Jos\xC3\xA9;\"Line\nbreak\"\n");
        f.close();
        const std::vector<FilaHoja> filas = filasAImportar(leeHoja(fichero));
        QCOMPARE(filas,
                 (std::vector<FilaHoja>{
                     {QStringLiteral("00042"), QStringLiteral("María"), QStringLiteral("De la \"Vega\"")},
                     {QStringLiteral("43"), QStringLiteral("José"), QStringLiteral("Line\nbreak")}}));
    }

    void codes_data() {
        QTest::addColumn<QString>("codigo");
        QTest::addColumn<bool>("valido");
        QTest::addColumn<QString>("importado");
        QTest::newRow("short") << "12345" << true << "0000012345";
        QTest::newRow("spaces") << " 77 " << true << "0000000077";
        QTest::newRow("ten") << "1234567890" << true << "1234567890";
        QTest::newRow("eleven") << "12345678901" << false << "";
        QTest::newRow("letters") << "12A45" << false << "";
        QTest::newRow("fraction") << "7.5" << false << "";
        QTest::newRow("blank") << "   " << false << "";
    }
    void codes() {
        QFETCH(QString, codigo);
        QFETCH(bool, valido);
        QFETCH(QString, importado);
        QCOMPARE(codigoValido(codigo), valido);
        if (valido)
            QCOMPARE(codigoImportado(codigo), importado);
    }

    void errorsNameTheFileAndTheReason() {
        QTemporaryDir dir;
        const QString noZip = dir.filePath(QStringLiteral("fake.xlsx"));
        QFile f(noZip);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a zip");
        f.close();
        const struct {
            QString fichero;
            bool escribe;
        } casos[] = {
            {noZip, false},
            {dir.filePath(QStringLiteral("missing.xlsx")), false},
            {dir.filePath(QStringLiteral("missing.xls")), false},
            {dir.filePath(QStringLiteral("missing.csv")), false},
            {dir.filePath(QStringLiteral("cards.ods")), false},
            {dir.filePath(QStringLiteral("no/folder/cards.xlsx")), true},
            {dir.filePath(QStringLiteral("cards.xls")), true},
        };
        for (const auto& c : casos) {
            try {
                if (c.escribe)
                    escribeHoja(c.fichero, {QStringLiteral("A")}, {});
                else
                    leeHoja(c.fichero);
                QFAIL(qPrintable(QStringLiteral("no error for %1").arg(c.fichero)));
            } catch (const Error& e) {
                QVERIFY2(e.message().contains(c.fichero), qPrintable(e.message()));
            }
        }
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("cards.xls"))));
    }
};

QTEST_GUILESS_MAIN(TestHojas)
#include "tst_hojas.moc"
