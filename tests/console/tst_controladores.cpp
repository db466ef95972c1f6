// The controller dialogs opened from the controllers list, on a real installation and simulated
// controllers: what the store and the controllers' memories hold afterwards.
#include "F_Muestra_recepcion.h"
#include "Fr_Clone_Controller.h"
#include "Fr_edit_controller.h"
#include "Lang.h"
#include "avisos.h"
#include "consolefixture.h"
#include "formas.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSqlRecord>
#include <QToolButton>

using namespace kestrum;
using kestrum::test::ConsoleFixture;

namespace {

const QString A = QStringLiteral("0000000001");
const QString B = QStringLiteral("0000000002");
const QString C = QStringLiteral("0000000003");

enum Fallo { Ninguno, Silencioso, RechazaVaciar };

// Notes every modal window that opens while it lives and closes it, so that an unexpected
// question fails the test instead of hanging it; `alAbrir` may act on the first one instead.
class Modales : public QObject {
public:
    explicit Modales(std::function<void(QWidget*)> alAbrir = {}) : alAbrir_(std::move(alAbrir)) {
        connect(&timer_, &QTimer::timeout, this, &Modales::mira);
        timer_.start(10);
    }
    QStringList textos;

private:
    void mira() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal->property(ui::PREPARANDO).toBool())
            return;
        auto* caja = qobject_cast<QMessageBox*>(modal);
        textos << (caja ? caja->text() : modal->objectName());
        if (alAbrir_ && !caja) {
            auto f = std::exchange(alAbrir_, {});
            f(modal);
            return;
        }
        static_cast<QDialog*>(modal)->reject();
    }
    std::function<void(QWidget*)> alAbrir_;
    QTimer timer_;
};

QStringList consulta(ConsoleFixture& f, const QString& sql) {
    return f.rows(sql);
}

QStringList controladores(ConsoleFixture& f) {
    return consulta(f, QStringLiteral("SELECT COD, PUERTO_SERIE, DESCRIPCION FROM DORQCONTROLADOR"));
}

QStringList asignaciones(ConsoleFixture& f, int controlador) {
    return consulta(f, QStringLiteral("SELECT TARJETA, \"_STOREDINHW\" FROM DORQCONTROLADORTARJETA "
                                      "WHERE CONTROLADOR=%1")
                           .arg(controlador));
}

QString mensaje(int n) {
    return config::Lang::instance().mensaje(
        QStringLiteral("Variables_variables_F_edit_controller_%1").arg(n));
}

} // namespace

class TestControladores : public QObject {
    Q_OBJECT
private slots:
    void windowTexts_data();
    void windowTexts();
    void newController_data();
    void newController();
    void editController_data();
    void editController();
    void clone_data();
    void clone();
};

void TestControladores::windowTexts_data() {
    QTest::addColumn<QString>("ventana");
    QTest::addColumn<QString>("titulo");
    QTest::addColumn<QStringList>("controles"); // control=key
    QTest::newRow("new") << "F_Contr_N"
                         << "F_Contr_N_Caption"
                         << QStringList{"Label4=F_Contr_N_Label4_Caption", "Label7=F_Contr_N_Label7_Caption",
                                        "B_add=F_Contr_N_B_add_Caption"};
    QTest::newRow("edit") << "F_edit_controller"
                          << "F_edit_controller_Caption"
                          << QStringList{"Label1=F_edit_controller_Label1_Caption",
                                         "Label7=F_edit_Controller_Label7_Caption",
                                         "BitBtn1=F_edit_Controller_BitBtn1_Caption",
                                         "BitBtn2=F_edit_Controller_BitBtn2_Caption"};
    QTest::newRow("clone") << "F_Clone_Controller"
                           << "F_Clone_Controller_Caption"
                           << QStringList{"Label1=F_Clone_Controller_Label1_Caption",
                                          "xpGroupBox1=F_Clone_Controller_xpGroupBox1_Caption",
                                          "B_Clonar=F_Clone_Controller_B_Clonar_Caption"};
    QTest::newRow("progress") << "F_Muestra_recep"
                              << "F_edit_Controller_BitBtn2_Caption" << QStringList{};
}

void TestControladores::windowTexts() {
    QFETCH(QString, ventana);
    QFETCH(QString, titulo);
    QFETCH(QStringList, controles);
    ConsoleFixture f;
    f.start(false);
    const auto& lang = config::Lang::instance();
    auto* w = f.main().findChild<QDialog*>(ventana);
    QVERIFY(w);
    QCOMPARE(w->windowTitle(), lang.text(titulo));
    for (const QString& par : controles) {
        const QStringList p = par.split(QLatin1Char('='));
        const QObject* c = w->findChild<QObject*>(p[0]);
        QVERIFY2(c, qPrintable(p[0]));
        QString texto;
        if (auto* l = qobject_cast<const QLabel*>(c))
            texto = l->text();
        else if (auto* b = qobject_cast<const QAbstractButton*>(c))
            texto = b->text();
        else if (auto* g = qobject_cast<const QGroupBox*>(c))
            texto = g->title();
        QCOMPARE(texto, lang.text(p[1]));
    }
}

void TestControladores::newController_data() {
    QTest::addColumn<QString>("numero");
    QTest::addColumn<QString>("puerto");
    QTest::addColumn<QString>("descripcion");
    QTest::addColumn<QStringList>("guardados");
    QTest::addColumn<QString>("foco");
    QTest::addColumn<QString>("aviso"); // the status line's key and its arguments
    QTest::addColumn<QStringList>("argumentos");
    const QString uno = QStringLiteral("1:1:Door A");
    QTest::newRow("stored") << " 2"
                            << "2 "
                            << " Door B " << QStringList{uno, "2:2:Door B"} << "Edit1"
                            << "KS_Dlg_Reader_added" << QStringList{"2 Door B"};
    QTest::newRow("number used") << "1"
                                 << "2"
                                 << "Door B" << QStringList{uno} << "Edit1"
                                 << "KS_Dlg_Reader_number_used" << QStringList{"1"};
    QTest::newRow("port used") << "2"
                               << "1"
                               << "Door B" << QStringList{uno} << "Edit3"
                               << "KS_Dlg_Reader_port_used" << QStringList{"1"};
    QTest::newRow("no description") << "2"
                                    << "2"
                                    << "  " << QStringList{uno} << ""
                                    << "KS_Dlg_Reader_empty" << QStringList{};
}

// Through the main window's button: the dialog stays open for the next one, and events resume.
void TestControladores::newController() {
    QFETCH(QString, numero);
    QFETCH(QString, puerto);
    QFETCH(QString, descripcion);
    QFETCH(QStringList, guardados);
    QFETCH(QString, foco);
    QFETCH(QString, aviso);
    QFETCH(QStringList, argumentos);
    ConsoleFixture f(2);
    f.controller(1, QStringLiteral("Door A"));
    f.start();
    QString enfocado;
    QString estado;
    bool abierto = false;
    {
        Modales modales([&](QWidget* d) {
            auto* edit1 = d->findChild<QLineEdit*>(QStringLiteral("Edit1"));
            auto* edit3 = d->findChild<QLineEdit*>(QStringLiteral("Edit3"));
            d->findChild<QLineEdit*>(QStringLiteral("Edit2"))->setText(descripcion);
            edit3->setText(puerto);
            edit1->setText(numero);
            // Focus elsewhere, so that only a refusal moves it.
            d->findChild<QLineEdit*>(QStringLiteral("Edit2"))->setFocus();
            d->findChild<QPushButton*>(QStringLiteral("B_add"))->click();
            enfocado = d->focusWidget() == edit1   ? QStringLiteral("Edit1")
                       : d->focusWidget() == edit3 ? QStringLiteral("Edit3")
                                                   : QString();
            abierto = d->isVisible();
            estado = ui::Avisos::instance().ultimo();
            d->findChild<QPushButton*>(QStringLiteral("B_cancel"))->click();
        });
        f.click("B_Nueva_Cx");
        QCOMPARE(modales.textos, QStringList{QStringLiteral("F_Contr_N")}); // no message of any kind
    }
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
    QVERIFY(abierto);
    QCOMPARE(enfocado, foco);
    QCOMPARE(estado, ui::textoAviso(aviso, argumentos));
    QCOMPARE(controladores(f), guardados);
    QCOMPARE(f.list("L1_Contr").filas(), guardados.size());
    QVERIFY(f.main().timerPeriodico()->isActive());
}

void TestControladores::editController_data() {
    QTest::addColumn<bool>("silencioso");
    QTest::addColumn<QString>("cierre");
    QTest::addColumn<QString>("abierta");
    QTest::addColumn<int>("aviso");   // message number, 0 for none
    QTest::addColumn<int>("fijados"); // times commands the controller received
    QTest::addColumn<QString>("descripcion");
    QTest::newRow("lock 0") << false << "0"
                            << "10" << 2 << 0 << "Door A";
    QTest::newRow("lock empty") << false << ""
                                << "10" << 2 << 0 << "Door A";
    QTest::newRow("open empty") << false << "5"
                                << "" << 1 << 0 << "Door A";
    QTest::newRow("lock 5, open 0") << false << "5"
                                    << "0" << 0 << 1 << "Hall";
    QTest::newRow("lock 99, open 99") << false << "99"
                                      << "99" << 0 << 1 << "Hall";
    QTest::newRow("silent") << true << "5"
                            << "0" << 0 << 0 << "Hall";
}

void TestControladores::editController() {
    QFETCH(bool, silencioso);
    QFETCH(QString, cierre);
    QFETCH(QString, abierta);
    QFETCH(int, aviso);
    QFETCH(int, fijados);
    QFETCH(QString, descripcion);
    ConsoleFixture f(1);
    f.controller(1, QStringLiteral("Door A"));
    f.host().with(1, [&](sim::SimController& c) {
        c.setSetup({2, 7, 12, 12});
        c.setSilent(silencioso);
    });
    f.start();
    f.select("L1_Contr", {1});
    f.click("B_Editar_cx");
    auto* editor = f.w->editController.get();
    QVERIFY(editor->isVisible());
    QVERIFY(!f.main().timerPeriodico()->isActive());
    auto* edit4 = editor->findChild<QLineEdit*>(QStringLiteral("Edit4"));
    auto* edit5 = editor->findChild<QLineEdit*>(QStringLiteral("Edit5"));
    QCOMPARE(editor->Edit1()->text(), QStringLiteral("1"));
    QCOMPARE(editor->Edit3()->text(), QStringLiteral("1"));
    QCOMPARE(editor->Edit2()->text(), QStringLiteral("Door A"));
    // Shown in decimal: 12 is "0C" on the wire.
    QCOMPARE(edit4->text(), silencioso ? QString() : QStringLiteral("7"));
    QCOMPARE(edit5->text(), silencioso ? QString() : QStringLiteral("12"));
    QCOMPARE(edit4->isEnabled(), !silencioso);
    QCOMPARE(edit5->isEnabled(), !silencioso);

    editor->Edit2()->setText(QStringLiteral("Hall"));
    // A controller silent at preparation gets no times even when it answers by now.
    f.host().with(1, [](sim::SimController& c) { c.setSilent(false); });
    edit4->setText(cierre);
    edit5->setText(abierta);
    {
        Modales modales;
        editor->findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
        QCOMPARE(modales.textos, aviso ? QStringList{mensaje(aviso)} : QStringList{});
    }
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
    const auto cuenta = f.host().with(1, [](sim::SimController& c) { return c.commandCount(26); });
    QCOMPARE(cuenta, fijados);
    if (fijados) {
        const QString tiempos = f.host().with(1, [](sim::SimController& c) {
            return QStringLiteral("%1/%2").arg(c.setup().lockTime).arg(c.setup().openTime);
        });
        QCOMPARE(tiempos, cierre + QLatin1Char('/') + abierta);
    }
    QCOMPARE(controladores(f), QStringList{QStringLiteral("1:1:") + descripcion});
    QCOMPARE(editor->isVisible(), aviso != 0);
    if (aviso == 0) {
        // Closing gives the console its events and lists back.
        QVERIFY(f.main().timerPeriodico()->isActive());
        QCOMPARE(f.list("L1_Contr").fila(0).celdas.value(1), descripcion);
        // and the readers' status list, emptied when the editor opened, comes back tested.
        QCOMPARE(f.list("L2_Contr").filas(), 1);
        QCOMPARE(f.list("L2_Contr").fila(0).celdas.value(1), descripcion);
    }
}

void TestControladores::clone_data() {
    QTest::addColumn<int>("fallo"); // of target 2
    QTest::addColumn<QStringList>("filas2");
    QTest::addColumn<QStringList>("memoria2");
    const QStringList clonadas{A + ":S", B + ":S"};
    QTest::newRow("answers") << int(Ninguno) << clonadas << QStringList{A, B};
    QTest::newRow("silent") << int(Silencioso) << QStringList{C + ":S"} << QStringList{C};
    QTest::newRow("erase refused") << int(RechazaVaciar) << QStringList{C + ":S"} << QStringList{C};
}

// Source 1 "Door A" holds A (stored) and B (pending); target 2 holds C of its own; controller 3 is
// described like the source, so it is never a target and keeps its card.
void TestControladores::clone() {
    QFETCH(int, fallo);
    QFETCH(QStringList, filas2);
    QFETCH(QStringList, memoria2);
    ConsoleFixture f(3);
    f.controller(1, QStringLiteral("Door A"));
    f.controller(2, QStringLiteral("Door B"));
    f.controller(3, QStringLiteral("Door A"));
    f.holder(1, QStringLiteral("Ana"));
    for (const QString& t : {A, B, C})
        f.card(t, 1);
    f.assign(A, 1, true);
    f.assign(B, 1, false);
    f.assign(C, 2, true);
    f.assign(C, 3, true);
    f.start();
    f.host().with(2, [fallo](sim::SimController& c) {
        if (fallo == Silencioso)
            c.setSilent(true);
        else if (fallo == RechazaVaciar)
            c.refuse(81);
    });

    QStringList destinos;
    bool clonarAntes = true;
    {
        Modales modales([&](QWidget* d) {
            auto* cb1 = d->findChild<QComboBox*>(QStringLiteral("CB1"));
            auto* clonar = d->findChild<QPushButton*>(QStringLiteral("B_Clonar"));
            clonarAntes = clonar->isEnabled();
            cb1->setCurrentIndex(cb1->findText(QStringLiteral("Door A")));
            auto* ch1 = d->findChild<QListWidget*>(QStringLiteral("CH1"));
            for (int i = 0; i < ch1->count(); ++i)
                destinos << ch1->item(i)->text();
            clonar->click();
        });
        f.click("B_Clone_cx");
        QCOMPARE(modales.textos, QStringList{QStringLiteral("F_Clone_Controller")});
    }
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join('\n')));
    QVERIFY(!clonarAntes);
    QCOMPARE(destinos, QStringList{QStringLiteral("2 Door B")});
    QCOMPARE(asignaciones(f, 2), filas2);
    QCOMPARE(f.sortedMemory(2), memoria2);
    // The source and its namesake are untouched.
    QCOMPARE(asignaciones(f, 1), (QStringList{A + ":S", B + ":N"}));
    QCOMPARE(f.sortedMemory(1), QStringList{A});
    QCOMPARE(asignaciones(f, 3), QStringList{C + ":S"});
    QCOMPARE(f.sortedMemory(3), QStringList{C});
    QVERIFY(!f.w->cloneController->isVisible());
    QVERIFY(!f.w->muestraRecep->isVisible());
    QVERIFY(!f.w->muestraRecep->animacion());
}

QTEST_MAIN(TestControladores)
#include "tst_controladores.moc"
