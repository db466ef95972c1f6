// The card editors opened from the cards list: free cards, a card's expiry, and the retry of a
// card's pending assignments, on a real installation and simulated controllers.
#include "FR_Error_insert.h"
#include "Lang.h"
#include "UF_Editar_Card.h"
#include "UF_New_Card.h"
#include "Variables.h"
#include "avisos.h"
#include "consolefixture.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcontrolador.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimeEdit>

using namespace kestrum;
using kestrum::test::ConsoleFixture;

namespace {

const QString A = QStringLiteral("0000000001");

// Sets the entry and expiry dates of every card entered so far.
const QString FECHAS = QStringLiteral("UPDATE DORQTARJETA SET FECHA_ALTA=timestamp '2020-01-02 03:04:05', "
                                      "FECHA_CADUCIDAD=timestamp '2020-01-02 03:04:05'");

QStringList tarjetas(ConsoleFixture& f) {
    return f.rows(QStringLiteral("SELECT CODIGO_TARJETA, USUARIO, USAR_FECHA_CAD FROM DORQTARJETA"));
}

QList<int> marcados(const QListWidget* l) {
    QList<int> out;
    for (int i = 0; i < l->count(); ++i) {
        if (l->item(i)->checkState() == Qt::Checked)
            out << l->item(i)->data(Qt::UserRole).toInt();
    }
    return out;
}

int filaDe(ConsoleFixture& f, const QString& codigo) {
    ui::ModeloLista& modelo = f.list("Lista3");
    for (int row = 0; row < modelo.filas(); ++row) {
        if (modelo.fila(row).clave.toString() == codigo)
            return row;
    }
    return -1;
}

} // namespace

class TestEditoresTarjeta : public QObject {
    Q_OBJECT
private slots:
    void windowTexts();
    void newCard();
    void newCardDesktopReader();
    void editCard();
    void pendingRetry();
};

void TestEditoresTarjeta::windowTexts() {
    ConsoleFixture f;
    f.start(false);
    const auto& lang = config::Lang::instance();
    const QStringList pares{"F_New_Card/Label1",     "F_New_Card/B_Aceptar",
                            "F_Editar_Card/Label1",  "F_Editar_Card/CH_Usar_Caducidad",
                            "F_Error_insert/Label5", "F_Error_insert/B_Yes"};
    for (const QString& par : pares) {
        const QStringList p = par.split(QLatin1Char('/'));
        auto* w = f.main().findChild<QDialog*>(p[0]);
        QVERIFY2(w, qPrintable(p[0]));
        QCOMPARE(w->windowTitle(), lang.text(p[0] + "_Caption"));
        const QObject* c = w->findChild<QObject*>(p[1]);
        QVERIFY2(c, qPrintable(par));
        const QString texto = c->property("text").toString();
        QCOMPARE(texto, lang.text(p[0] + '_' + p[1] + "_Caption"));
    }
}

void TestEditoresTarjeta::newCard() {
    ConsoleFixture f;
    f.card(A);
    f.sql(FECHAS);
    f.start();
    f.click("B_New_Card");
    ui::F_New_Card& d = *f.w->newCard;
    QVERIFY(d.isVisible());
    QVERIFY(!d.caducidad().grupo()->isVisible());
    QVERIFY(!f.main().timerPeriodico()->isActive());

    QTest::keyClicks(d.E_Tarjeta(), QStringLiteral("4x2\r"));
    QCOMPARE(d.E_Tarjeta()->text(), QString()); // stored, entry cleared for the next
    QTest::keyClicks(d.E_Tarjeta(), QStringLiteral("1\r"));
    QCOMPARE(d.E_Tarjeta()->text(), A); // exists: padded, nothing stored
    d.E_Tarjeta()->clear();
    d.B_AceptarClick(); // empty: nothing
    QCOMPARE(tarjetas(f), (QStringList{A + ":-1:N", "0000000042:-1:N"}));
    QVERIFY(d.isVisible());
    QVERIFY(!d.conLector()); // no controller numbered like the desktop reader
    d.reject();
    QVERIFY(f.main().timerPeriodico()->isActive());
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
}

// The desktop reader serves this window even when it is not in use for the holder editors.
void TestEditoresTarjeta::newCardDesktopReader() {
    ConsoleFixture f(1);
    f.controller(1, QStringLiteral("Desk"));
    f.start();
    auto& v = config::Variables::instance();
    v.desktopReaderInUse = false;
    v.desktopReaderNumber = 1;
    f.main().B_New_CardClick();
    ui::F_New_Card& d = *f.w->newCard;
    QVERIFY(d.conLector());
    f.host().with(1, [](sim::SimController& c) { c.presentCard(QStringLiteral("0000000815")); });
    QTRY_COMPARE(d.E_Tarjeta()->text(), QStringLiteral("0000000815"));
    d.reject();
    v.desktopReaderNumber = 0;
    QVERIFY(!d.conLector());
    QVERIFY(!f.sistema().Controladores()->Busca_Controlador(1)->Comunicador()->tieneOnIncidencia());
}

// The expiry changes, nothing else; the periodic timer runs on meanwhile.
void TestEditoresTarjeta::editCard() {
    ConsoleFixture f;
    f.card(A);
    f.sql(FECHAS);
    f.start();
    f.main().selecciona(ui::F_Main::Tarjetas);
    f.select("Lista3", {A});
    f.main().B_Edit_CardClick();
    ui::F_Editar_Card& d = *f.w->editarCard;
    QVERIFY(d.isVisible());
    QVERIFY(f.main().timerPeriodico()->isActive());
    QCOMPARE(d.L_CODE_CARD()->text(), A);
    QVERIFY(!d.caducidad().usar());
    QCOMPARE(d.caducidad().caducidad(), QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5)));
    QVERIFY(!d.caducidad().E_Fecha_cad()->isEnabled());
    d.caducidad().CH_Usar_Caducidad()->setChecked(true);
    QVERIFY(d.caducidad().E_Fecha_cad()->isEnabled());
    d.caducidad().E_Fecha_cad()->setDate(QDate(2030, 12, 31));
    d.caducidad().E_Hora_cad()->setTime(QTime(23, 59, 0));
    d.findChild<QPushButton*>(QStringLiteral("B_Aceptar"))->click();
    QVERIFY(!d.isVisible());
    QCOMPARE(f.rows(QStringLiteral("SELECT USAR_FECHA_CAD, CAST(FECHA_CADUCIDAD AS VARCHAR(24)), "
                                   "CAST(FECHA_ALTA AS VARCHAR(24)), USUARIO FROM DORQTARJETA")),
             QStringList{"S:2030-12-31 23:59:00.0000:2020-01-02 03:04:05.0000:-1"});
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
}

// A is meant for controllers 1, 2 and 3 and for 9, which is gone; 1 holds it. The retry stays open
// while controller 3 refuses and closes once it takes the card; the deleted controller's row stays.
void TestEditoresTarjeta::pendingRetry() {
    ConsoleFixture f(3);
    for (int n : {1, 2, 3})
        f.controller(n, QStringLiteral("Door %1").arg(n));
    f.card(A);
    f.sql(FECHAS);
    f.assign(A, 1, true);
    f.assign(A, 2, false);
    f.assign(A, 3, false);
    f.assign(A, 9, false);
    f.start();
    f.host().with(3, [](sim::SimController& c) { c.refuse(97); });
    f.main().selecciona(ui::F_Main::Tarjetas);
    const int row = filaDe(f, A);
    QCOMPARE(f.list("Lista3").fila(row).icono, ui::Icono::TarjetaPendiente);

    QList<int> actual;
    QList<int> correcta;
    bool abiertoTrasFallo = false;
    QString estadoTrasFallo;
    f.answerNextDialog([&](QWidget* w) {
        auto* d = qobject_cast<ui::F_Error_insert*>(w);
        QVERIFY(d);
        QCOMPARE(d->Label3()->text(), A);
        actual = marcados(d->CH1());
        correcta = marcados(d->CH2());
        d->findChild<QPushButton*>(QStringLiteral("B_Yes"))->click();
        abiertoTrasFallo = d->isVisible();
        estadoTrasFallo = ui::Avisos::instance().ultimo();
        f.host().with(3, [](sim::SimController& c) { c.clearRefusals(); });
        d->findChild<QPushButton*>(QStringLiteral("B_Yes"))->click();
    });
    f.main().Lista3DblClick(row);
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
    QCOMPARE(actual, QList<int>{1});
    QCOMPARE(correcta, (QList<int>{1, 2, 3}));
    QVERIFY(abiertoTrasFallo);
    QCOMPARE(estadoTrasFallo,
             ui::textoAviso("KS_Dlg_Retry_pending",
                            {A, ui::cuenta(1, "KS_Dlg_One_reader", "KS_Dlg_N_readers"), "3 Door 3"}));
    QVERIFY(!f.w->errorInsert->isVisible());
    QCOMPARE(f.rows(QStringLiteral("SELECT CONTROLADOR, \"_STOREDINHW\" FROM DORQCONTROLADORTARJETA")),
             (QStringList{"1:S", "2:S", "3:S", "9:N"}));
    for (int n : {1, 2, 3})
        QCOMPARE(f.memory(n), QStringList{A});
    // The lists were rebuilt; the row still shows the deleted controller's pending row.
    QCOMPARE(f.list("Lista3").fila(filaDe(f, A)).icono, ui::Icono::TarjetaPendiente);

    // A row without pending assignments opens nothing.
    f.sql(QStringLiteral("DELETE FROM DORQCONTROLADORTARJETA WHERE CONTROLADOR=9"));
    f.main().Refrescar_tarjetas();
    QCOMPARE(f.list("Lista3").fila(filaDe(f, A)).icono, ui::Icono::Tarjeta);
    f.main().Lista3DblClick(filaDe(f, A));
    QVERIFY(!f.w->errorInsert->isVisible());
}

QTEST_MAIN(TestEditoresTarjeta)
#include "tst_editores_tarjeta.moc"
