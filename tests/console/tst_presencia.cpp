// Attendance as the operator uses it, against a real event log: the month and the day of one
// holder, the correction of a stay, the text file, the larger view and the readers' types.
#include "UF_Lector_ES.h"
#include "UF_Main.h"
#include "UF_Presencia_Amplia.h"
#include "UF_Presencia_Estancia.h"
#include "consolefixture.h"
#include "pdftexto.h"
#include "presencia.h"

#include <QCalendarWidget>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTreeWidget>

using namespace kestrum;
using kestrum::test::ConsoleFixture;
using ui::FilaPresencia;

namespace {

// Holder 1 (Ana Ruiz) and 2 (Luis Gil); readers 1 entry, 2 exit, 3 of no type.
void prepara(ConsoleFixture& f) {
    f.sql(QStringLiteral(
        "INSERT INTO DORQCONTROLADOR(COD,PUERTO_SERIE,DESCRIPCION,TIPO) VALUES(1,1,'Front in','ENTRADA')"));
    f.sql(QStringLiteral(
        "INSERT INTO DORQCONTROLADOR(COD,PUERTO_SERIE,DESCRIPCION,TIPO) VALUES(2,2,'Front out','SALIDA')"));
    f.sql(QStringLiteral(
        "INSERT INTO DORQCONTROLADOR(COD,PUERTO_SERIE,DESCRIPCION,TIPO) VALUES(3,3,'Store','Null')"));
    f.holder(1, QStringLiteral("Ana"), QStringLiteral("Ruiz"));
    f.holder(2, QStringLiteral("Luis"), QStringLiteral("Gil"));
    int cod = 0;
    const auto evento = [&](int controlador, const char* cuando, int usuario) {
        f.sql(QStringLiteral("INSERT INTO DORQINCIDENCIA(COD,CONTROLADOR,\"TIMESTAMP\",EVENTO,USR) "
                             "VALUES(%1,%2,'%3',1,%4)")
                  .arg(++cod)
                  .arg(controlador)
                  .arg(QLatin1String(cuando))
                  .arg(usuario));
    };
    evento(1, "2024-02-01 00:00:00", 1); // before the period's 00:00:01
    evento(1, "2024-02-05 08:00:00", 1);
    evento(2, "2024-02-05 12:00:00", 1);
    evento(1, "2024-02-05 13:00:00", 1);
    evento(2, "2024-02-05 17:30:00", 1);
    evento(1, "2024-02-05 07:00:00", 2); // another holder
    evento(9, "2024-02-05 06:00:00", 1); // a deleted reader
    evento(1, "2024-02-06 09:00:00", 1); // only an entry
    evento(2, "2024-02-07 07:00:00", 1); // the exit before the entry
    evento(1, "2024-02-07 09:00:00", 1);
    evento(3, "2024-02-08 10:00:00", 1); // a reader of no type
    evento(2, "2024-02-29 18:00:00", 1);
    evento(1, "2024-03-01 08:00:00", 1); // next month
}

QString hora(int h, int m) {
    return ui::horaLarga(QTime(h, m));
}

// Chooses the period and the holder as the operator does.
std::vector<FilaPresencia> elige(ConsoleFixture& f, const QDate& fecha, bool mes, int holder) {
    auto* calendario = f.main().findChild<QCalendarWidget*>(QStringLiteral("Calendar1"));
    calendario->setSelectedDate(fecha);
    f.main().findChild<QRadioButton*>(mes ? QStringLiteral("R1") : QStringLiteral("R2"))->click();
    auto* arbol = f.main().findChild<QTreeWidget*>(QStringLiteral("Arbol_Presencia"));
    QTreeWidgetItem* raiz = arbol->topLevelItem(0);
    for (int i = 0; i < raiz->childCount(); ++i) {
        if (raiz->child(i)->data(0, Qt::UserRole).toInt() == holder)
            arbol->setCurrentItem(raiz->child(i));
    }
    return f.main().filasPresencia();
}

} // namespace

class TestPresencia : public QObject {
    Q_OBJECT
private slots:
    void monthOfALeapFebruary() {
        ConsoleFixture f;
        prepara(f);
        f.start();
        f.main().Image3Click();
        auto* arbol = f.main().findChild<QTreeWidget*>(QStringLiteral("Arbol_Presencia"));
        const std::vector<FilaPresencia> filas = elige(f, QDate(2024, 2, 15), true, 1);
        QCOMPARE(f.errors, QStringList{});
        // Holders by surname under the month's name.
        QCOMPARE(arbol->topLevelItem(0)->text(0), f.main().meses().value(1) + QStringLiteral(" 2024"));
        QCOMPARE(arbol->topLevelItem(0)->child(0)->text(0), QStringLiteral("Gil, Luis"));
        QCOMPARE(f.main().findChild<QLabel*>(QStringLiteral("L_usuario_presencia"))->text(),
                 QStringLiteral("Ruiz, Ana"));

        QCOMPARE(filas.size(), std::size_t(29));
        QCOMPARE(filas[0], (FilaPresencia{ui::fechaCorta(QDate(2024, 2, 1)), {}, {}, {}}));
        // Latest to earliest within a cell; the stay from the first entry to the last exit.
        QCOMPARE(filas[4].entradas,
                 QStringLiteral("[%1 Front in][%2 Front in]").arg(hora(13, 0), hora(8, 0)));
        QCOMPARE(filas[4].salidas,
                 QStringLiteral("[%1 Front out][%2 Front out]").arg(hora(17, 30), hora(12, 0)));
        QCOMPARE(filas[4].estancia, QStringLiteral("9:30:0"));
        QCOMPARE(filas[5].entradas, QStringLiteral("[%1 Front in]").arg(hora(9, 0)));
        QCOMPARE(filas[5].estancia, QString());
        QVERIFY(!filas[6].salidas.isEmpty());
        QCOMPARE(filas[6].estancia, QString());
        QCOMPARE(filas[7], (FilaPresencia{ui::fechaCorta(QDate(2024, 2, 8)), {}, {}, {}}));
        QCOMPARE(filas[28].salidas, QStringLiteral("[%1 Front out]").arg(hora(18, 0)));
        QCOMPARE(f.main().findChild<QLabel*>(QStringLiteral("L_Total_Presencia"))->text(),
                 QStringLiteral("Total stay: 9:30:0"));

        // The root keeps the list as it was.
        arbol->setCurrentItem(arbol->topLevelItem(0));
        QCOMPARE(f.main().filasPresencia(), filas);
    }

    void dayMode_data() {
        QTest::addColumn<QDate>("dia");
        QTest::addColumn<QStringList>("fila"); // entries empty?, exits empty?, stay; empty: no row
        QTest::newRow("entries and exits") << QDate(2024, 2, 5) << QStringList{"in", "out", "9:30:0"};
        QTest::newRow("reader of no type") << QDate(2024, 2, 8) << QStringList{"", "", ""};
        QTest::newRow("no events") << QDate(2024, 2, 9) << QStringList{};
    }
    void dayMode() {
        QFETCH(QDate, dia);
        QFETCH(QStringList, fila);
        ConsoleFixture f;
        prepara(f);
        f.start();
        f.main().Image3Click();
        const std::vector<FilaPresencia> filas = elige(f, dia, false, 1);
        if (fila.isEmpty()) {
            QVERIFY(filas.empty());
            return;
        }
        QCOMPARE(filas.size(), std::size_t(1));
        QCOMPARE(filas[0].dia, ui::fechaCorta(dia));
        QCOMPARE(filas[0].entradas.isEmpty(), fila[0].isEmpty());
        QCOMPARE(filas[0].salidas.isEmpty(), fila[1].isEmpty());
        QCOMPARE(filas[0].estancia, fila[2]);
    }

    void readerTypeCountsFromTheNextSelection() {
        ConsoleFixture f;
        prepara(f);
        f.start();
        f.main().Image3Click();
        const std::vector<FilaPresencia> antes = elige(f, QDate(2024, 2, 8), false, 1);
        QVERIFY(antes[0].entradas.isEmpty());
        f.answerNextDialog([](QWidget* dialog) {
            auto* d = static_cast<ui::F_Lector_ES*>(dialog);
            QTreeWidget* lista = d->Lista();
            QCOMPARE(lista->topLevelItemCount(), 3);
            QCOMPARE(lista->topLevelItem(0)->text(2), QStringLiteral("I"));
            QCOMPARE(lista->topLevelItem(1)->text(2), QStringLiteral("O"));
            QCOMPARE(lista->topLevelItem(2)->text(2), QString());
            lista->setCurrentItem(lista->topLevelItem(2));
            d->Establece(QStringLiteral("ENTRADA"));
            QCOMPARE(lista->topLevelItem(2)->text(2), QStringLiteral("I"));
            d->findChild<QPushButton*>(QStringLiteral("BitBtn2"))->click();
        });
        f.main().SpeedButton2Click();
        QCOMPARE(f.scalar(QStringLiteral("SELECT TIPO FROM DORQCONTROLADOR WHERE COD=3")).toString(),
                 QStringLiteral("ENTRADA"));
        QCOMPARE(f.main().filasPresencia(), antes); // computed lists stay as they were
        const std::vector<FilaPresencia> despues = elige(f, QDate(2024, 2, 8), false, 2);
        QVERIFY(despues.empty());
        QCOMPARE(elige(f, QDate(2024, 2, 8), false, 1)[0].entradas,
                 QStringLiteral("[%1 Store]").arg(hora(10, 0)));
        QVERIFY(f.main().timerPeriodico()->isActive());
        QCOMPARE(f.errors, QStringList{});
    }

    void correctionSaveLoadAndLargerView() {
        ConsoleFixture f;
        prepara(f);
        f.start();
        f.main().Image3Click();
        elige(f, QDate(2024, 2, 15), true, 1);
        auto* lista = f.main().findChild<QTreeView*>(QStringLiteral("Lista_Presencia"));
        lista->setCurrentIndex(lista->model()->index(5, 0));
        for (const bool acepta : {false, true}) {
            f.answerNextDialog([acepta](QWidget* dialog) {
                auto* d = static_cast<ui::F_Presencia_Estancia*>(dialog);
                QCOMPARE(d->L_Usuario()->text(), QStringLiteral("Ruiz, Ana"));
                QCOMPARE(d->L_Fecha()->text(), ui::fechaCorta(QDate(2024, 2, 6)));
                d->Edit1()->setText(QStringLiteral("8:0:0 (forgot to clock out)"));
                d->findChild<QPushButton*>(acepta ? QStringLiteral("B_Aceptar") : QStringLiteral("B_Cancel"))
                    ->click();
            });
            f.main().Lista_PresenciaDblClick();
            QCOMPARE(f.main().filasPresencia()[5].estancia,
                     acepta ? QStringLiteral("8:0:0 (forgot to clock out)") : QString());
        }
        const std::vector<FilaPresencia> filas = f.main().filasPresencia();

        // Saved under the name chosen plus ".txt", and read back the same.
        QTemporaryDir dir;
        const QString elegido = dir.filePath(QStringLiteral("ana.txt"));
        f.main().Guarda_Presencia(elegido);
        QVERIFY(QFile::exists(elegido + QStringLiteral(".txt")));
        ui::F_Main& m = f.main();
        m.findChild<QTreeWidget*>(QStringLiteral("Arbol_Presencia"))->setCurrentItem(nullptr);
        m.Carga_Presencia(elegido + QStringLiteral(".txt"));
        QCOMPARE(m.filasPresencia(), filas);

        m.SpeedButton8Click();
        QTreeWidget* amplia = f.w->presenciaAmplia->Lista_presencia();
        QVERIFY(f.w->presenciaAmplia->isVisible());
        QCOMPARE(amplia->topLevelItemCount(), 29);
        QCOMPARE(amplia->topLevelItem(4)->text(3), QStringLiteral("9:30:0"));
        QCOMPARE(f.errors, QStringList{});
    }

    // Through the report engine: the holder, the period, the days with their passages and the total.
    void savedAsPdf() {
        ConsoleFixture f;
        prepara(f);
        f.start();
        f.main().Image3Click();
        QTemporaryDir dir;
        f.main().Guarda_Presencia_PDF(dir.filePath(QStringLiteral("ana"))); // nothing chosen yet
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("ana.pdf"))));
        elige(f, QDate(2024, 2, 15), true, 1);
        f.main().Guarda_Presencia_PDF(dir.filePath(QStringLiteral("ana")));
        QCOMPARE(f.errors, QStringList{});
        const QString texto = test::pdfTexto(dir.filePath(QStringLiteral("ana.pdf")));
        QVERIFY2(!texto.isNull(), "pdftotext is missing or failed");
        for (const QString& esperado :
             {QStringLiteral("Ruiz, Ana"), f.main().meses().value(1) + QStringLiteral(" 2024"),
              ui::fechaCorta(QDate(2024, 2, 29)), QStringLiteral("9:30:0"),
              QStringLiteral("Total stay: 9:30:0"), QStringLiteral("Entries"), hora(17, 30)})
            QVERIFY2(texto.contains(esperado), qPrintable(esperado + QStringLiteral(" not in:\n") + texto));
        // Days in order: the 5th before the 29th.
        QVERIFY(texto.indexOf(ui::fechaCorta(QDate(2024, 2, 5))) <
                texto.indexOf(ui::fechaCorta(QDate(2024, 2, 29))));
    }

    void linesOfTheTextFile_data() {
        QTest::addColumn<QString>("linea");
        QTest::addColumn<QStringList>("fila");
        QTest::newRow("whole") << "01/02/24*[a][b]*[c]*9:30:0"
                               << QStringList{"01/02/24", "[a][b]", "[c]", "9:30:0"};
        QTest::newRow("two stars") << "d*e*s" << QStringList{"d", "e", "s", ""};
        QTest::newRow("one star") << "d*e" << QStringList{"d", "e", "", ""};
        QTest::newRow("no star") << "just text" << QStringList{"", "", "", "just text"};
        QTest::newRow("more stars") << "d*e*s*1:0:0*x" << QStringList{"d", "e", "s", "1:0:0*x"};
        QTest::newRow("empty") << "" << QStringList{"", "", "", ""};
    }
    void linesOfTheTextFile() {
        QFETCH(QString, linea);
        QFETCH(QStringList, fila);
        const FilaPresencia f = ui::filaDeLinea(linea);
        QCOMPARE((QStringList{f.dia, f.entradas, f.salidas, f.estancia}), fila);
    }

    void unreadableFileIsReported() {
        ConsoleFixture f;
        f.start();
        QVERIFY_THROWS_EXCEPTION(Error, f.main().Carga_Presencia(QStringLiteral("/nonexistent/list.txt")));
        QVERIFY_THROWS_EXCEPTION(Error, f.main().Guarda_Presencia(QStringLiteral("/nonexistent/list")));
    }
};

QTEST_MAIN(TestPresencia)
#include "tst_presencia.moc"
