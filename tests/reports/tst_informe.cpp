// The report engine on its own: definitions read or refused, rows laid out, wrapped, grouped and
// paginated, PDFs written whole or not at all, read back with pdftotext.
#include "fulldisk.h"
#include "informe.h"
#include "kerror.h"
#include "pdftexto.h"

#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QTemporaryDir>
#include <QTest>

using namespace kestrum;
using reports::Datos;
using reports::Informe;

namespace {

const char* const LISTA = R"({
  "page": {"size": "A4", "margins": [15, 15, 15, 15]},
  "title": "${campo_1}",
  "header": {"left": "${instalacion}", "right": "${fecha}"},
  "footer": {"right": "${pagina_de}"},
  "columns": [
    {"field": "nombre", "caption": "${campo_2}", "width": 1},
    {"field": "APELLIDOS", "caption": "Literal caption", "width": 1}
  ]
})";

void escribe(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

Datos personas(int n) {
    Datos d{{QStringLiteral("NOMBRE"), QStringLiteral("APELLIDOS")}, {}};
    for (int i = 0; i < n; ++i)
        d.filas << QVariantList{QStringLiteral("Name%1").arg(i, 4, 10, QLatin1Char('0')),
                                QStringLiteral("Surname")};
    return d;
}

QStringList textos(const Informe& informe, int pagina) {
    QStringList out;
    for (const reports::Trozo& t : informe.trozos(pagina))
        out << t.texto;
    return out;
}

} // namespace

class TestInforme : public QObject {
    Q_OBJECT
private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        lista_ = dir_->filePath(QStringLiteral("lista.frf"));
        escribe(lista_, LISTA);
    }

    void malformedDefinitionKeepsThePrevious_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("reason");
        QTest::newRow("not JSON") << QByteArray("{\"columns\": [") << "at character";
        QTest::newRow("an array") << QByteArray("[]") << "one JSON object";
        QTest::newRow("no columns") << QByteArray("{\"title\": \"x\"}") << "\"columns\"";
        QTest::newRow("column without field")
            << QByteArray(R"({"columns": [{"caption": "x"}]})") << "\"field\"";
        QTest::newRow("bad width") << QByteArray(R"({"columns": [{"field": "a", "width": 0}]})") << "width";
        QTest::newRow("bad alignment")
            << QByteArray(R"({"columns": [{"field": "a", "align": "up"}]})") << "alignment";
        QTest::newRow("bad format") << QByteArray(R"({"columns": [{"field": "a", "format": "money"}]})")
                                    << "format";
        QTest::newRow("bad page size")
            << QByteArray(R"({"page": {"size": "B7"}, "columns": [{"field": "a"}]})") << "page size";
        QTest::newRow("bad margins") << QByteArray(
                                            R"({"page": {"margins": [1, 2]}, "columns": [{"field": "a"}]})")
                                     << "margins";
        QTest::newRow("title not a text")
            << QByteArray(R"({"title": 3, "columns": [{"field": "a"}]})") << "title";
    }
    void malformedDefinitionKeepsThePrevious() {
        QFETCH(QByteArray, json);
        QFETCH(QString, reason);
        Informe informe;
        QVERIFY(informe.LoadFromFile(lista_));
        const QString bad = dir_->filePath(QStringLiteral("bad.frf"));
        escribe(bad, json);
        try {
            informe.LoadFromFile(bad);
            QFAIL("a malformed definition was taken");
        } catch (const Error& e) {
            QVERIFY2(e.message().contains(reason) && e.message().contains(QStringLiteral("bad.frf")),
                     qPrintable(e.message()));
        }
        QCOMPARE(informe.fichero(), lista_);
        informe.setDatos(personas(1));
        informe.PrepareReport();
        QVERIFY(textos(informe, 0).contains(QStringLiteral("Literal caption")));
    }

    void missingDefinitionKeepsThePrevious() {
        Informe informe;
        QVERIFY(!informe.LoadFromFile(dir_->filePath(QStringLiteral("none.frf"))));
        QVERIFY(!informe.cargado());
        QVERIFY_THROWS_EXCEPTION(Error, informe.PrepareReport());
        QVERIFY(informe.LoadFromFile(lista_));
        QVERIFY(!informe.LoadFromFile(dir_->filePath(QStringLiteral("none.frf"))));
        QVERIFY(informe.cargado());
        QCOMPARE(informe.fichero(), lista_);
    }

    // Captions from the texts or literal, fields matched without regard to case, variables and
    // fallbacks; an unknown name stays visible.
    void textsAndVariables() {
        const QString path = dir_->filePath(QStringLiteral("t.frf"));
        escribe(path, R"({"title": "${campo_1} - ${instalacion} - ${nada} - ${x|fallback}",
                         "columns": [{"field": "nombre", "caption": "${campo_2}"}]})");
        Informe informe;
        QVERIFY(informe.LoadFromFile(path));
        informe.setDatos(personas(2));
        informe.setTextos({{QStringLiteral("campo_1"), QStringLiteral("Card holder list")},
                           {QStringLiteral("campo_2"), QStringLiteral("Name")}});
        informe.setVariables({{QStringLiteral("instalacion"), QStringLiteral("Oficina")}});
        informe.PrepareReport();
        const QStringList t = textos(informe, 0);
        QVERIFY2(t.contains(QStringLiteral("Card holder list - Oficina - ${nada} - fallback")),
                 qPrintable(t.join('|')));
        QVERIFY(t.contains(QStringLiteral("Name")));
        QVERIFY(t.contains(QStringLiteral("Name0001")));
    }

    // A long entry wraps inside its column: every line fits, none is lost.
    void longEntriesWrap() {
        Informe informe;
        QVERIFY(informe.LoadFromFile(lista_));
        const QString largo =
            QStringLiteral("Maria de los Angeles Fernandez-Villaverde y Gonzalez de la Serna "
                           "Supercalifragilisticexpialidociousandsomemoreletters");
        informe.setDatos(
            {{QStringLiteral("NOMBRE"), QStringLiteral("APELLIDOS")},
             {{QStringLiteral("short"), largo}, {QStringLiteral("next"), QStringLiteral("row")}}});
        informe.PrepareReport();
        QStringList lines;
        qreal columnWidth = 0;
        for (const reports::Trozo& t : informe.trozos(0)) {
            if (t.estilo == reports::Trozo::Normal && t.rect.left() > informe.tamanoPagina().width() / 3 &&
                t.texto != QLatin1String("row")) {
                lines << t.texto;
                columnWidth = t.rect.width();
                QVERIFY2(QFontMetricsF(informe.fuente(t.estilo)).horizontalAdvance(t.texto) <=
                             t.rect.width() + 0.5,
                         qPrintable(t.texto));
            }
        }
        lines.removeAll(QString()); // the footer's empty left
        QVERIFY2(lines.size() >= 3, qPrintable(lines.join('|')));
        QVERIFY(columnWidth > 0);
        QCOMPARE(lines.join(QString()).remove(QLatin1Char(' ')), QString(largo).remove(QLatin1Char(' ')));
        // The next row starts below the wrapped one.
        const QList<reports::Trozo> t = informe.trozos(0);
        const auto at = [&](const QString& s) {
            for (const reports::Trozo& x : t) {
                if (x.texto == s)
                    return x.rect.top();
            }
            return -1.0;
        };
        QVERIFY(at(QStringLiteral("next")) > at(lines.last()));
    }

    // Rows of a group print together, groups in the order they first appear.
    void groupsGatherTheirRows() {
        const QString path = dir_->filePath(QStringLiteral("g.frf"));
        escribe(path,
                R"({"columns": [{"field": "CARD"}], "group": {"field": "ID", "caption": "Holder ${NAME}"}})");
        Informe informe;
        QVERIFY(informe.LoadFromFile(path));
        const auto fila = [](int id, const char* name, const char* card) {
            return QVariantList{id, QString::fromLatin1(name), QString::fromLatin1(card)};
        };
        informe.setDatos(
            {{QStringLiteral("ID"), QStringLiteral("NAME"), QStringLiteral("CARD")},
             {fila(7, "Ana", "c1"), fila(3, "Ana", "c2"), fila(7, "Ana", "c3"), fila(5, "Bea", "c4")}});
        informe.PrepareReport();
        QStringList body = textos(informe, 0);
        body = body.filter(QRegularExpression(QStringLiteral("^(Holder|c\\d)")));
        QCOMPARE(body, (QStringList{"Holder Ana", "c1", "c3", "Holder Ana", "c2", "Holder Bea", "c4"}));
    }

    // Many rows: "Page n of m" on every page, every row once, in order.
    void pagesNumberedAcrossAReport() {
        Informe informe;
        QVERIFY(informe.LoadFromFile(lista_));
        informe.setDatos(personas(300));
        informe.setTextos({{QStringLiteral("pagina_de"), QStringLiteral("Page %1 of %2")}});
        informe.PrepareReport();
        QVERIFY(informe.paginas() > 3);
        const QString pdf = dir_->filePath(QStringLiteral("many.pdf"));
        informe.exportaPdf(pdf);
        const QStringList pages = test::pdfPaginas(pdf);
        QCOMPARE(pages.size(), informe.paginas());
        QStringList names;
        for (int i = 0; i < 300; ++i)
            names << QStringLiteral("Name%1").arg(i, 4, 10, QLatin1Char('0'));
        QVERIFY(test::enOrden(pages.join(QString()), names));
        for (int n = 0; n < pages.size(); ++n) {
            QVERIFY2(pages[n].contains(QStringLiteral("Page %1 of %2").arg(n + 1).arg(pages.size())),
                     qPrintable(pages[n].right(200)));
            QVERIFY(pages[n].contains(QStringLiteral("Literal caption"))); // captions on every page
        }
        QCOMPARE(pages.join(QString()).count(QStringLiteral("Name0150")), 1);
    }

    // A full disk: the error carries the system's reason, the earlier file stays as it was, and no
    // partial file is left beside it.
    void failedWriteLeavesNoHalfFile() {
        Informe informe;
        QVERIFY(informe.LoadFromFile(lista_));
        informe.setDatos(personas(2000));
        informe.PrepareReport();
        const QString folder = dir_->filePath(QStringLiteral("full"));
        QVERIFY(QDir().mkpath(folder));
        test::FullDisk disk(folder);
        const QString target = folder + QStringLiteral("/report.pdf");
        escribe(target, "earlier report");
        disk.fill();
        try {
            informe.exportaPdf(target);
            QFAIL("the write on a full disk succeeded");
        } catch (const Error& e) {
            QVERIFY2(e.message().contains(QStringLiteral("report.pdf")) &&
                         (e.message().contains(QStringLiteral("space"), Qt::CaseInsensitive) ||
                          e.message().contains(QStringLiteral("too large"), Qt::CaseInsensitive)),
                     qPrintable(e.message()));
        }
        disk.release();
        QFile f(target);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("earlier report"));
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("report.pdf")});

        // A folder that does not exist: its reason, and nothing written.
        const QString nowhere = dir_->filePath(QStringLiteral("no/such/folder/r.pdf"));
        try {
            informe.exportaPdf(nowhere);
            QFAIL("a PDF was written into a missing folder");
        } catch (const Error& e) {
            QVERIFY2(e.message().contains(QStringLiteral("r.pdf")) && e.message().contains(QLatin1Char(':')),
                     qPrintable(e.message()));
        }
    }

    // The attendance list's shipped definition: captions fall back to English words when the caller
    // gives none, the holder and period in the title, the month's total in the summary.
    void attendanceDefinitionShipped() {
        Informe informe;
        QVERIFY(informe.LoadFromFile(reports::definicion(QStringLiteral("attendance"))));
        informe.setDatos({{QStringLiteral("DIA"), QStringLiteral("ENTRADAS"), QStringLiteral("SALIDAS"),
                           QStringLiteral("ESTANCIA")},
                          {{QStringLiteral("01/03"), QStringLiteral("08:00"), QStringLiteral("17:00"),
                            QStringLiteral("09:00")},
                           {QStringLiteral("02/03"), QStringLiteral("08:30"), QStringLiteral("12:00"),
                            QStringLiteral("03:30")}}});
        informe.setVariables({{QStringLiteral("titular"), QStringLiteral("Íñigo O'Brien")},
                              {QStringLiteral("periodo"), QStringLiteral("March 2026")},
                              {QStringLiteral("total"), QStringLiteral("12:30")}});
        informe.PrepareReport();
        const QString pdf = dir_->filePath(QStringLiteral("attendance.pdf"));
        informe.exportaPdf(pdf);
        const QString text = test::pdfTexto(pdf);
        QVERIFY2(test::enOrden(text, {"Íñigo O'Brien", "March 2026", "Day", "Entries", "Exits", "Stay",
                                      "01/03", "08:00", "17:00", "09:00", "02/03", "Total stay: 12:30"}),
                 qPrintable(text));
    }

    void paperFollowsTheLocale_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("size");
        QTest::newRow("en_US") << "en_US" << int(QPageSize::Letter);
        QTest::newRow("fr_CA") << "fr_CA" << int(QPageSize::Letter);
        QTest::newRow("es_ES") << "es_ES" << int(QPageSize::A4);
        QTest::newRow("en_GB") << "en_GB" << int(QPageSize::A4);
    }
    void paperFollowsTheLocale() {
        QFETCH(QString, locale);
        QFETCH(int, size);
        QCOMPARE(int(reports::tamanoLocal(QLocale(locale)).id()), size);
    }

private:
    std::unique_ptr<QTemporaryDir> dir_;
    QString lista_;
};

QTEST_MAIN(TestInforme)
#include "tst_informe.moc"
