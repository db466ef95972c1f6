// The reports tab as the operator uses it: a node of the tree chosen, the report previewed, saved
// as PDF and read back with pdftotext; captions in the language of the start through LANGREP.
#include "avisos.h"
#include "consolefixture.h"
#include "dataroot.h"
#include "informe.h"
#include "pdftexto.h"
#include "schema.h"
#include "udorqserver.h"
#include "vistainforme.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPrinterInfo>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>

using namespace kestrum;
using kestrum::test::ConsoleFixture;

namespace {

// Holders, cards (one free, one of a holder that does not exist) and two controllers.
void llena(ConsoleFixture& f) {
    f.holder(1, QStringLiteral("Zoe"), QStringLiteral("Adams"));
    f.holder(2, QStringLiteral("Anaïs"), QStringLiteral("O''Brien Núñez")); // typed as O'Brien
    f.holder(3, QStringLiteral("Marta"), QStringLiteral("Ruiz"));
    f.card(QStringLiteral("0000000003"), 2);
    f.card(QStringLiteral("0000000001"), 1);
    f.card(QStringLiteral("0000000002"));
    f.card(QStringLiteral("0000000004"), 3);
    f.card(QStringLiteral("0000000005"), 99);
    f.controller(2, QStringLiteral("Puerta norte"));
    f.controller(1, QStringLiteral("Entrada"));
}

void enEspanol(ConsoleFixture& f) {
    f.root.write(QStringLiteral("KESTRUM20.INI"), QStringLiteral("[General]\nIdioma=ESPAÑOL\n").toUtf8());
}

QTreeWidget* arbol(ConsoleFixture& f) {
    return f.main().findChild<QTreeWidget*>(QStringLiteral("Arbol_REPORTS"));
}

// The operator picks node `n` of the reports tree.
void elige(ConsoleFixture& f, int n) {
    f.main().findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(2);
    QTreeWidgetItem* root = arbol(f)->topLevelItem(0);
    arbol(f)->setCurrentItem(n == 0 ? root : root->child(n - 1));
}

reports::VistaInforme& vista(ConsoleFixture& f) {
    return *f.main().frPreview1();
}

// The preview's report saved through the preview, read back.
QString guardado(ConsoleFixture& f, const QTemporaryDir& dir, const QString& name) {
    const QString written = vista(f).guardaPdf(dir.filePath(name));
    if (written != dir.filePath(name) + QStringLiteral(".pdf"))
        return QStringLiteral("saved as %1").arg(written);
    return test::pdfTexto(written);
}

QStringList catalogo(ConsoleFixture& f, const QString& sql) {
    QStringList out;
    QSqlDatabase db = store::Db::connect(f.root.catalogue());
    {
        store::Query q(db);
        q.prepare(sql).exec();
        while (q.next()) {
            for (int c = 0; c < q.raw().record().count(); ++c)
                out << q.text(c);
        }
    }
    store::Db::disconnect(db);
    return out;
}

} // namespace

class TestInformes : public QObject {
    Q_OBJECT
private slots:
    void fourReports_data();
    void fourReports();
    void captionsComeFromLangrep();
    void rootOrMissingDefinitionKeepsTheReport();
    void findMovesToThePageAndExitLeaves();
    void printWithoutPrinterSaysSo();
};

void TestInformes::fourReports_data() {
    QTest::addColumn<int>("node");
    QTest::addColumn<bool>("spanish");
    QTest::addColumn<QStringList>("inOrder");
    QTest::addColumn<QStringList>("absent");
    const QString hoy = QLocale().toString(QDate::currentDate(), QLocale::ShortFormat);
    const QStringList users{"Anaïs", "O'Brien Núñez", "Marta", "Ruiz", "Zoe", "Adams"};
    const QStringList cards{"0000000001", hoy,          hoy,          "N",
                            "0000000002", "0000000003", "0000000004", "0000000005"};
    const QStringList controllers{"1", "Entrada", "2", "Puerta norte"};
    const QStringList perUser{"Anaïs O'Brien Núñez", "0000000003", "Marta Ruiz",
                              "0000000004",          "Zoe Adams",  "0000000001"};
    const QStringList free{"0000000002", "0000000005"};
    const QString inst = QString::fromUtf8(store::schema::FIRST_INSTALLATION_NAME);
    QTest::newRow("users") << 1 << false
                           << QStringList{inst, "Card holder list", "Name", "Surname"} + users +
                                  QStringList{"Page 1 of 1"}
                           << QStringList{};
    QTest::newRow("cards") << 2 << false
                           << QStringList{inst,         "Card list",   "Card",
                                          "Issue date", "Expiry date", "Uses expiry"} +
                                  cards
                           << QStringList{};
    QTest::newRow("controllers") << 3 << false
                                 << QStringList{inst, "Reader list", "Reader", "Serial port", "Description"} +
                                        controllers
                                 << QStringList{};
    QTest::newRow("cards per user") << 4 << false
                                    << QStringList{inst, "Cards per holder", "Card"} + perUser +
                                           QStringList{"Page 1 of 1"}
                                    << free;
    QTest::newRow("users, Spanish") << 1 << true
                                    << QStringList{inst, "Listado de usuarios", "Nombre", "Apellidos"} +
                                           users + QStringList{"Página 1 de 1"}
                                    << QStringList{"Name", "Surname"};
    QTest::newRow("cards, Spanish") << 2 << true
                                    << QStringList{inst,
                                                   "Listado de tarjetas",
                                                   "Tarjeta",
                                                   "Fecha de alta",
                                                   "Fecha de caducidad",
                                                   "Usa caducidad"} +
                                           cards
                                    << QStringList{"Card", "Issue date"};
    QTest::newRow("controllers, Spanish")
        << 3 << true
        << QStringList{inst, "Listado de lectores", "Lector", "Puerto serie", "Descripción"} + controllers
        << QStringList{"Reader", "Serial port"};
    QTest::newRow("cards per user, Spanish")
        << 4 << true
        << QStringList{inst, "Tarjetas por usuario", "Tarjeta"} + perUser + QStringList{"Página 1 de 1"}
        << free + QStringList{"Card"};
}

void TestInformes::fourReports() {
    QFETCH(int, node);
    QFETCH(bool, spanish);
    QFETCH(QStringList, inOrder);
    QFETCH(QStringList, absent);
    ConsoleFixture f(2);
    if (spanish)
        enEspanol(f);
    llena(f);
    f.start();
    QCOMPARE(catalogo(f, QStringLiteral("SELECT IDIOMA, CAMPO_4, CAMPO_6 FROM LANGREP")),
             spanish ? QStringList({"ESPAÑOL", "Tarjeta", "Tarjeta"})
                     : QStringList({"ENGLISH", "Card", "Card"}));

    elige(f, node);
    QCOMPARE(f.errors, QStringList{});
    QTemporaryDir dir;
    const QString text = guardado(f, dir, QStringLiteral("report"));
    QVERIFY2(test::enOrden(text, inOrder), qPrintable(text));
    for (const QString& a : absent)
        QVERIFY2(!text.contains(a), qPrintable(a + QStringLiteral(" in\n") + text));
}

// The captions are LANGREP's, whatever the language file says.
void TestInformes::captionsComeFromLangrep() {
    ConsoleFixture f;
    llena(f);
    f.start();
    QSqlDatabase db = store::Db::connect(f.root.catalogue());
    store::Db::exec(db, QStringLiteral("UPDATE LANGREP SET CAMPO_2 = 'Given name'"));
    store::Db::disconnect(db);
    elige(f, 1);
    QTemporaryDir dir;
    const QString text = guardado(f, dir, QStringLiteral("users"));
    QVERIFY2(test::enOrden(text, {"Given name", "Surname", "Anaïs"}), qPrintable(text));
}

void TestInformes::rootOrMissingDefinitionKeepsTheReport() {
    ConsoleFixture f;
    llena(f);
    f.start();
    elige(f, 1);
    QVERIFY(vista(f).informe());
    const QString users = vista(f).informe()->fichero();
    QVERIFY(users.endsWith(QLatin1String("users.frf")));
    QTemporaryDir dir;
    const QString before = guardado(f, dir, QStringLiteral("before"));

    elige(f, 0);
    QCOMPARE(vista(f).informe()->fichero(), users);

    // Only the users' definition where the definitions are looked for.
    QTemporaryDir defs;
    QVERIFY(QFile::copy(users, defs.filePath(QStringLiteral("users.frf"))));
    reports::detail::setDefinitionsFolderForTests(defs.path());
    const auto back = qScopeGuard([] { reports::detail::setDefinitionsFolderForTests({}); });
    elige(f, 2);
    QCOMPARE(f.errors, QStringList{});
    QVERIFY2(ui::Avisos::instance().ultimo().contains(QStringLiteral("cards.frf")),
             qPrintable(ui::Avisos::instance().ultimo()));
    QCOMPARE(vista(f).informe()->fichero(), users);
    QCOMPARE(guardado(f, dir, QStringLiteral("after")), before);
    // The next report whose definition is there replaces it.
    elige(f, 1);
    QVERIFY(vista(f).informe()->fichero().startsWith(defs.path()));
}

void TestInformes::findMovesToThePageAndExitLeaves() {
    ConsoleFixture f;
    {
        QSqlDatabase db = store::Db::connect(f.root.installation(1));
        for (int i = 0; i < 250; ++i)
            store::Db::exec(
                db,
                QStringLiteral("INSERT INTO DORQUSUARIO(ID,NOMBRE,APELLIDOS,PERMANENTE) "
                               "VALUES(:id,:n,:a,'S')"),
                {{QStringLiteral("id"), i + 1},
                 {QStringLiteral("n"), QStringLiteral("Holder%1").arg(i, 3, 10, QLatin1Char('0'))},
                 {QStringLiteral("a"), i == 170 ? QStringLiteral("Zyzzyva") : QStringLiteral("Ruiz")}});
        store::Db::disconnect(db);
    }
    f.start();
    f.main().resize(1280, 800);
    f.main().show();
    elige(f, 1);
    reports::VistaInforme& v = vista(f);
    QVERIFY(v.informe()->paginas() >= 4);
    QCOMPARE(v.paginaActual(), 0);
    QTemporaryDir dir;
    const QString pdf = v.guardaPdf(dir.filePath(QStringLiteral("users.pdf")));
    const QStringList pages = test::pdfPaginas(pdf);
    QCOMPARE(pages.size(), v.informe()->paginas());
    int expected = -1;
    for (int n = 0; n < pages.size(); ++n) {
        if (pages[n].contains(QStringLiteral("Zyzzyva")))
            expected = n;
    }
    QVERIFY(expected > 0 && expected < pages.size() - 1);

    auto* edit = v.findChild<QLineEdit*>(QStringLiteral("E_Buscar"));
    edit->setText(QStringLiteral("zyzzyva"));
    v.findChild<QToolButton*>(QStringLiteral("B_Buscar"))->click();
    QCOMPARE(v.paginaActual(), expected);
    QCOMPARE(v.marcas().size(), 1);
    QCOMPARE(v.findChild<QLabel*>(QStringLiteral("L_Pagina"))->text(),
             QStringLiteral("Page %1 of %2").arg(expected + 1).arg(pages.size()));

    // A text on every page: found on the page shown, then on the next one.
    v.irAPagina(1);
    QVERIFY(v.busca(QStringLiteral("Ruiz")));
    QCOMPARE(v.paginaActual(), 1);
    QVERIFY(v.marcas().size() > 10);
    QVERIFY(v.busca(QStringLiteral("Ruiz")));
    QCOMPARE(v.paginaActual(), 2);
    QVERIFY(!v.busca(QStringLiteral("nowhere at all")));
    QCOMPARE(v.paginaActual(), 2);

    // Exit: the preview empties and the navigator shows; the same report can be chosen again.
    v.findChild<QToolButton*>(QStringLiteral("B_Salir"))->click();
    QVERIFY(!v.informe());
    QCOMPARE(f.main().findChild<QTabWidget*>(QStringLiteral("PageControl1"))->currentIndex(), 0);
    elige(f, 1);
    QVERIFY(v.informe());
}

void TestInformes::printWithoutPrinterSaysSo() {
    if (!QPrinterInfo::availablePrinters().isEmpty())
        QSKIP("this machine has a printer");
    ConsoleFixture f;
    f.start();
    elige(f, 1);
    QString said;
    f.answerNextDialog([&said](QWidget* box) {
        if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label")))
            said = label->text();
        static_cast<QDialog*>(box)->accept();
    });
    vista(f).findChild<QToolButton*>(QStringLiteral("B_Imprimir"))->click();
    const QString expected = ui::textoAviso(QStringLiteral("KS_Report_no_printer"));
    QVERIFY(expected.contains(QStringLiteral("printer")));
    QCOMPARE(said, expected);
    QCOMPARE(ui::Avisos::instance().ultimo(), expected);
    QCOMPARE(f.errors, QStringList{});
}

QTEST_MAIN(TestInformes)
#include "tst_informes.moc"
