// Every workflow that writes to the readers, against every fault a reader or its line can show,
// driven through the windows on a real installation and simulated controllers. Reader 1 is the
// faulty one, reader 2 answers well. Afterwards the database's marks must say what each reader
// holds: its "S" rows are exactly its memory. Where the reader did the work but the console saw no
// acknowledgement, a pending ("N") row for a card the reader holds is the sound end, and the next
// automatic retry, once the fault is gone, settles it.
#include "UF_Edit_User.h"
#include "UF_Nuevo_Usr.h"
#include "UFr_recv_users.h"
#include "Variables.h"
#include "avisos.h"
#include "consolefixture.h"
#include "operacion.h"
#include "respuestas.h"
#include "timings.h"
#include "udorqcomunicador.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

using namespace kestrum;
using kestrum::test::ConsoleFixture;
using kestrum::test::pulsa;
using kestrum::test::Respuestas;

namespace {

const QString A = QStringLiteral("0000000001");
const QString B = QStringLiteral("0000000002");
const QString C = QStringLiteral("0000000003");
const QString Z = QStringLiteral("0000000009");

enum Fallo { Silencioso, Rechaza, Corrupta, OtraDireccion, Tarde, Basura, Desenchufado, FALLOS };
const char* const NOMBRES_FALLO[] = {"silent", "refuses", "corrupt checksum", "other address",
                                     "late",   "garbage", "port gone"};

// Beyond the link's whole wait for a command: every try of it.
int retrasoMs() {
    return 3 * timings().controllerReplyWaitMs + timings().scale(300);
}
constexpr quint8 OTRA_DIRECCION = 0x22;
// The commands that change or read a memory; the test is answered even by a refusing reader.
constexpr quint8 ORDENES_TARJETA[] = {34, 65, 81, 97, 113};

QString texto(QSet<QString> s) {
    QStringList l(s.begin(), s.end());
    l.sort();
    return l.join(QLatin1Char(','));
}

// Empty when reader n holds exactly the cards its "S" rows name; `pendientes` also lets a card
// whose row is pending sit in its memory.
QString desfase(ConsoleFixture& f, int n, bool pendientes) {
    QSet<QString> almacenadas;
    QSet<QString> pendientesFilas;
    const QStringList filas = f.rows(
        QStringLiteral("SELECT TARJETA, \"_STOREDINHW\" FROM DORQCONTROLADORTARJETA WHERE CONTROLADOR=%1")
            .arg(n));
    for (const QString& fila : filas) {
        const QStringList c = fila.split(QLatin1Char(':'));
        (c[1] == QLatin1String("S") ? almacenadas : pendientesFilas).insert(c[0]);
    }
    const QStringList leida = f.memory(n);
    const QSet<QString> memoria(leida.begin(), leida.end());
    QStringList out;
    if (const QSet<QString> faltan = almacenadas - memoria; !faltan.isEmpty())
        out << QStringLiteral("reader %1 lacks [%2] marked S").arg(n).arg(texto(faltan));
    QSet<QString> sobran = memoria - almacenadas;
    if (pendientes)
        sobran -= pendientesFilas;
    if (!sobran.isEmpty())
        out << QStringLiteral("reader %1 holds [%2] not marked S").arg(n).arg(texto(sobran));
    return out.join(QLatin1Char('\n'));
}

// The fault, on the simulator's thread.
void aplica(sim::SimController& c, Fallo fallo) {
    switch (fallo) {
    case Silencioso:
        c.setSilent(true);
        break;
    case Rechaza:
        for (const quint8 orden : ORDENES_TARJETA)
            c.refuse(orden);
        break;
    case Corrupta: {
        // Every reply from now on: one spoilt frame alone would only cost the link a retry.
        c.corruptNextChecksum();
        auto* corruptor = new QObject(&c);
        corruptor->setObjectName(QStringLiteral("corruptor"));
        QObject::connect(&c, &sim::SimController::commandReceived, corruptor,
                         [&c] { c.corruptNextChecksum(); });
        break;
    }
    case OtraDireccion:
        c.setReplySource(OTRA_DIRECCION);
        break;
    case Tarde:
        c.setReplyDelay(retrasoMs());
        break;
    case Basura:
        c.setGarbage(true);
        break;
    case Desenchufado:
        c.unplug();
        break;
    case FALLOS:
        break;
    }
}

void quita(sim::SimController& c) {
    c.setSilent(false);
    c.clearRefusals();
    // A fault still waiting for its command must not start during the retry.
    for (const char* nombre : {"corruptor", "espera"})
        delete c.findChild<QObject*>(QLatin1String(nombre));
    c.setReplySource(link::CONTROLLER_ADDRESS);
    c.setReplyDelay(0);
    c.setGarbage(false);
}

// The fault of reader 1 starts at once, or once the reader answered the `veces`-th command
// `orden`: the workflow's own test passes and the commands after it meet the fault. A port gone
// is gone from the start (the device vanishing under a reply in flight is a matter of timing).
void arma(ConsoleFixture& f, Fallo fallo, quint8 orden, int veces) {
    f.host().with(1, [=](sim::SimController& c) {
        if (orden == 0 || fallo == Desenchufado) {
            aplica(c, fallo);
            return;
        }
        auto* espera = new QObject(&c);
        espera->setObjectName(QStringLiteral("espera"));
        auto vistas = std::make_shared<int>(0);
        QObject::connect(&c, &sim::SimController::commandReceived, espera,
                         [&c, espera, fallo, orden, veces, vistas](int cmd) {
                             if (espera->objectName().isEmpty() || cmd != orden || ++*vistas < veces)
                                 return;
                             // The reply to this command is out already.
                             aplica(c, fallo);
                             espera->setObjectName(QString()); // once
                             espera->deleteLater();
                         });
    });
}

int filaDe(ConsoleFixture& f, const QString& codigo) {
    ui::ModeloLista& modelo = f.list("Lista3");
    for (int row = 0; row < modelo.filas(); ++row) {
        if (modelo.fila(row).clave.toString() == codigo)
            return row;
    }
    return -1;
}

void marcaLectores(ui::EditorTitular& e, const QList<int>& lectores) {
    for (int i = 0; i < e.CHLista1()->count(); ++i) {
        QListWidgetItem* item = e.CHLista1()->item(i);
        item->setCheckState(lectores.contains(item->data(Qt::UserRole).toInt()) ? Qt::Checked
                                                                                : Qt::Unchecked);
    }
}

// ---------------------------------------------------------------- the workflows

struct Flujo {
    const char* nombre;
    quint8 orden; // reader 1's fault starts after this command (0: before the workflow)
    int veces;
    std::function<void(ConsoleFixture&)> prepara; // rows and memories before the start
    std::function<void(ConsoleFixture&)> ejecuta; // through the windows
};

void lectores(ConsoleFixture& f) {
    f.controller(1, QStringLiteral("Door A"));
    f.controller(2, QStringLiteral("Door B"));
}

// A new holder with a new card for both readers.
void altaTitular(ConsoleFixture& f) {
    f.click("B_New_USR_Usr");
    ui::F_Nuevo_Usr& e = *f.w->nuevoUsr;
    QVERIFY(e.isVisible());
    e.Edit1()->setText(QStringLiteral("Ann"));
    e.C_Tarjetas()->setEditText(A);
    e.findChild<QToolButton*>(QStringLiteral("B_Mas"))->click();
    marcaLectores(e, {1, 2});
    {
        Respuestas respuestas;
        e.findChild<QPushButton*>(QStringLiteral("B_Aceptar"))->click();
        QCOMPARE(respuestas.preguntas, QStringList());
    }
    e.findChild<QPushButton*>(QStringLiteral("B_Cancelar"))->click();
}

// Holder 7's card A moves from reader 1 to reader 2, where its card B stays.
void editaTitular(ConsoleFixture& f) {
    f.main().selecciona(ui::F_Main::Usuarios);
    f.select("Lista1", {7});
    f.click("B_edit_usr");
    ui::F_Edit_User& e = *f.w->editUser;
    QVERIFY(e.isVisible());
    marcaLectores(e, {2});
    {
        Respuestas respuestas;
        e.findChild<QPushButton*>(QStringLiteral("B_Aceptar"))->click();
        QCOMPARE(respuestas.preguntas, QStringList());
    }
    e.close();
    // A card that reader 1 may still hold is not reported as stored.
    const bool queda =
        !f.rows(QStringLiteral("SELECT 1 FROM DORQCONTROLADORTARJETA WHERE CONTROLADOR=1")).isEmpty();
    const QString aviso = ui::textoAviso(QStringLiteral("KS_Dlg_Erase"), {QStringLiteral("1 Door A"), A});
    QVERIFY2(ui::Avisos::instance().ultimo().contains(aviso) == queda,
             qPrintable(ui::Avisos::instance().ultimo()));
}

// A card held by both readers is deleted; a card a reader kept is kept too ("Cancelar").
void borraTarjeta(ConsoleFixture& f) {
    f.main().selecciona(ui::F_Main::Tarjetas);
    f.select("Lista3", {A});
    Respuestas respuestas({pulsa(QStringLiteral("B_Yes")), pulsa(QStringLiteral("Button1"))});
    f.click("B_Delete_Cards");
    QCOMPARE(respuestas.preguntas.value(0), QStringLiteral("F_Delete_Conf"));
}

void borraTitular(ConsoleFixture& f) {
    f.main().selecciona(ui::F_Main::Usuarios);
    f.select("Lista1", {1});
    Respuestas respuestas({pulsa(QStringLiteral("B_Yes")), pulsa(QStringLiteral("Button1"))});
    f.click("B_Delete");
    QCOMPARE(respuestas.preguntas.value(0), QStringLiteral("F_Delete_Conf"));
}

void vaciaLector(ConsoleFixture& f) {
    f.select("L1_Contr", {1});
    Respuestas respuestas({pulsa(QStringLiteral("B_Yes"))});
    f.click("B_vacia_Cards");
    QCOMPARE(respuestas.preguntas, QStringList{QStringLiteral("F_Delete_Conf")});
}

// Reader 3 "Door C" is the source; readers 1 and 2 are the targets.
void clona(ConsoleFixture& f) {
    Respuestas respuestas({[](QWidget* d) {
        auto* cb1 = d->findChild<QComboBox*>(QStringLiteral("CB1"));
        cb1->setCurrentIndex(cb1->findText(QStringLiteral("Door C")));
        auto* ch1 = d->findChild<QListWidget*>(QStringLiteral("CH1"));
        for (int i = 0; i < ch1->count(); ++i)
            ch1->item(i)->setCheckState(Qt::Checked);
        d->findChild<QPushButton*>(QStringLiteral("B_Clonar"))->click();
    }});
    f.click("B_Clone_cx");
    QCOMPARE(respuestas.preguntas, QStringList{QStringLiteral("F_Clone_Controller")});
}

// The pending-card window on A: one retry, then closed whatever came of it.
void reintentoManual(ConsoleFixture& f) {
    f.main().selecciona(ui::F_Main::Tarjetas);
    Respuestas respuestas({[](QWidget* d) {
        d->findChild<QPushButton*>(QStringLiteral("B_Yes"))->click();
        if (d->isVisible())
            d->findChild<QPushButton*>(QStringLiteral("B_No"))->click();
    }});
    f.main().Lista3DblClick(filaDe(f, A));
    QCOMPARE(respuestas.preguntas, QStringList{QStringLiteral("F_Error_insert")});
}

// The dialog's own progress window is modal too: only the question is answered.
void envioTotal(ConsoleFixture& f) {
    f.answerNextDialog([](QWidget* d) { d->findChild<QPushButton*>(QStringLiteral("B_Aceptar"))->click(); });
    f.click("B_Send");
}

void recepcionTotal(ConsoleFixture& f) {
    bool recibido = false;
    f.answerNextDialog([&recibido](QWidget* dialog) {
        auto* l1 = static_cast<ui::F_recv_users*>(dialog)->L1_Contr();
        auto reloj = std::make_shared<QElapsedTimer>();
        reloj->start();
        auto* timer = new QTimer(dialog);
        timer->setInterval(20);
        QObject::connect(timer, &QTimer::timeout, dialog, [=, &recibido] {
            auto* recibir = dialog->findChild<QPushButton*>(QStringLiteral("SpeedButton10"));
            const bool listo =
                l1->topLevelItemCount() == 2 && !ops::operacionEnCurso() && recibir->isEnabled();
            // Bounded: a dialog that never gets ready is closed and the test fails below.
            if (!listo && reloj->elapsed() < 30000)
                return;
            timer->stop();
            timer->deleteLater();
            recibido = listo;
            if (listo)
                recibir->click();
            else
                static_cast<QDialog*>(dialog)->reject();
        });
        timer->start();
    });
    f.click("B_Receive");
    QVERIFY2(recibido, "the receive dialog never offered to receive");
}

void reintentoAutomatico(ConsoleFixture& f) {
    f.main().Eliminar_Tarj_cad_Y_Test_LectoresTimer();
}

// Ana's card stored in readers 1 and 2.
void anaEnAmbos(ConsoleFixture& f) {
    f.holder(1, QStringLiteral("Ana"));
    f.card(A, 1);
    f.assign(A, 1, true);
    f.assign(A, 2, true);
}

const std::vector<Flujo>& flujos() {
    static const std::vector<Flujo> tabla{
        {"holder accept new", 27, 1, [](ConsoleFixture&) {}, altaTitular},
        {"holder edit", 27, 1,
         [](ConsoleFixture& f) {
             f.holder(7, QStringLiteral("Bo"), QStringLiteral("Lee"));
             f.card(A, 7);
             f.card(B, 7);
             f.assign(A, 1, true);
             f.assign(B, 2, true);
         },
         editaTitular},
        {"card delete", 27, 1, anaEnAmbos, borraTarjeta},
        {"holder delete", 27, 1, anaEnAmbos, borraTitular},
        {"empty reader", 0, 0,
         [](ConsoleFixture& f) {
             for (const QString& t : {A, B})
                 f.card(t);
             f.assign(A, 1, true);
             f.assign(B, 1, true);
             f.assign(A, 2, true);
         },
         vaciaLector},
        {"clone controller", 27, 1,
         [](ConsoleFixture& f) {
             f.controller(3, QStringLiteral("Door C"));
             f.holder(1, QStringLiteral("Ana"));
             for (const QString& t : {A, B, C})
                 f.card(t, 1);
             f.assign(A, 3, true);
             f.assign(B, 3, true);
             f.assign(C, 1, true);
             f.assign(C, 2, true);
         },
         clona},
        {"pending retry", 0, 0,
         [](ConsoleFixture& f) {
             f.card(A);
             f.assign(A, 1, false);
             f.assign(A, 2, false);
         },
         reintentoManual},
        {"send all", 81, 1,
         [](ConsoleFixture& f) {
             for (const QString& t : {A, B})
                 f.card(t);
             f.assign(A, 1, true);
             f.assign(B, 1, true);
             f.assign(A, 2, true);
             f.assign(B, 2, false);
         },
         envioTotal},
        // The dialog tests every reader, and the reading tests each again before it reads.
        {"receive all", 27, 2,
         [](ConsoleFixture& f) {
             f.card(A);
             f.assign(A, 1, true);
             f.assign(A, 2, true);
             // Readers of version 20 and later can send their cards.
             for (int n : {1, 2})
                 f.host().with(n, [](sim::SimController& c) { c.setSetup({2, 5, 10, 20}); });
             f.host().with(2, [](sim::SimController& c) { c.setMemory(c.memory() << Z); });
         },
         recepcionTotal},
        {"automatic retry", 27, 1,
         [](ConsoleFixture& f) {
             for (const QString& t : {A, B})
                 f.card(t);
             f.assign(A, 1, false);
             f.assign(B, 1, false);
             f.assign(A, 2, false);
         },
         reintentoAutomatico},
    };
    return tabla;
}

// What reader 1 may be left with, per workflow, in the order of Fallo: '=' its "S" rows exactly,
// 'P' cards with a pending row may sit in its memory too (the reader did the work, or may have,
// and the console saw no acknowledgement; the next retry settles them).
const char* const FINALES[] = {
    // silent, refuses, corrupt, other address, late, garbage, port gone
    "==P=P==", // holder accept new: the card went in, its acknowledgement did not come back
    "P======", // holder edit: an erase without answer may or may not have happened
    "P======", // card delete
    "P======", // holder delete
    "P======", // empty reader
    "P======", // clone controller: the target's empty
    "==P=P==", // pending retry
    "==P=P=P", // send all: every row pending first; a reader gone keeps what it held
    "=======", // receive all
    "==P=P==", // automatic retry
};

} // namespace

class TestFallos : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { config::Variables::instance().retryPending = true; }
    // KESTRUM_FALLOS_FLUJO=n runs workflow n's row alone, so that test runs can share the matrix;
    // without it, the whole matrix.
    void matriz_data();
    void matriz() { celda(); }

private:
    static void celda();
};

void TestFallos::matriz_data() {
    QTest::addColumn<int>("flujo");
    QTest::addColumn<int>("fallo");
    QTest::addColumn<bool>("pendientes");
    bool uno = false;
    const int solo = qEnvironmentVariableIntValue("KESTRUM_FALLOS_FLUJO", &uno);
    for (std::size_t i = 0; i < flujos().size(); ++i) {
        if (uno && static_cast<int>(i) != solo)
            continue;
        for (int fallo = 0; fallo < FALLOS; ++fallo) {
            QTest::addRow("%s, %s", flujos()[i].nombre, NOMBRES_FALLO[fallo])
                << int(i) << fallo << (FINALES[i][fallo] == 'P');
        }
    }
}

void TestFallos::celda() {
    QFETCH(int, flujo);
    QFETCH(int, fallo);
    QFETCH(bool, pendientes);
    const Flujo& w = flujos()[static_cast<std::size_t>(flujo)];
    ConsoleFixture f(3);
    lectores(f);
    w.prepara(f);
    f.start();
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
    arma(f, static_cast<Fallo>(fallo), w.orden, w.veces);

    w.ejecuta(f);
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
    QVERIFY(!ops::operacionEnCurso());
    QVERIFY(!ops::Operaciones::instance().suspendidos());
    for (int n : {2, 3})
        QCOMPARE(desfase(f, n, false), QString());
    QCOMPARE(desfase(f, 1, pendientes), QString());

    // The fault goes (a port gone stays gone) and the automatic retry comes round.
    f.host().with(1, quita);
    f.main().Eliminar_Tarj_cad_Y_Test_LectoresTimer();
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
    for (int n : {2, 3})
        QCOMPARE(desfase(f, n, false), QString());
    QCOMPARE(desfase(f, 1, pendientes && fallo == Desenchufado), QString());
}

QTEST_MAIN(TestFallos)
#include "tst_fallos.moc"
