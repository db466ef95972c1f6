// The application parameters as the operator changes them from the Parameters panel.
#include "Lang.h"
#include "UF_Main.h"
#include "UF_Parametros_app.h"
#include "Variables.h"
#include "arranque.h"
#include "consolefixture.h"
#include "operacion.h"

#include <QCheckBox>
#include <QComboBox>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

using namespace kestrum;
using kestrum::test::ConsoleFixture;

namespace {

// Answers the parameters dialog with `cambia` then "OK", and any question after it with `respuesta`,
// noting the questions asked.
void responde(ConsoleFixture& f, std::function<void(ui::F_Parametros_app&)> cambia,
              QMessageBox::StandardButton respuesta, QStringList& preguntas) {
    f.answerNextDialog([&f, cambia, respuesta, &preguntas](QWidget* d) {
        auto* p = static_cast<ui::F_Parametros_app*>(d);
        cambia(*p);
        f.answerNextDialog([respuesta, &preguntas](QWidget* q) {
            auto* caja = qobject_cast<QMessageBox*>(q);
            preguntas << (caja ? caja->text() : q->objectName());
            if (caja)
                caja->button(respuesta)->click();
        });
        p->findChild<QPushButton*>(QStringLiteral("B_Aceptar"))->click();
    });
}

} // namespace

class TestParametros : public QObject {
    Q_OBJECT
private slots:
    // An answer that found no question must not answer the next test's.
    void cleanup() {
        for (QTimer* t : qApp->findChildren<QTimer*>(Qt::FindDirectChildrenOnly))
            delete t;
    }

    void acceptingWithoutChangeWritesNothing() {
        ConsoleFixture f;
        f.start();
        const QByteArray antes = f.root.read(QStringLiteral("KESTRUM20.INI"));
        QStringList preguntas;
        responde(
            f, [](ui::F_Parametros_app&) {}, QMessageBox::No, preguntas);
        f.click("SpeedButton29");
        QTest::qWait(100);
        QCOMPARE(preguntas, QStringList{});
        QCOMPARE(f.root.read(QStringLiteral("KESTRUM20.INI")), antes);
        QVERIFY(!ops::Operaciones::instance().suspendidos());
    }

    void aChangeIsWrittenAndTheRestartOffered() {
        ConsoleFixture f;
        f.start();
        QStringList preguntas;
        responde(
            f, [](ui::F_Parametros_app& p) { p.R(7)->setChecked(true); }, QMessageBox::No, preguntas);
        f.click("SpeedButton29");
        QCOMPARE(preguntas.size(), 1);
        QCOMPARE(preguntas.first(),
                 config::Lang::instance().mensaje(QStringLiteral("Variables_variables_F_Main_4")));
        QVERIFY(f.root.read(QStringLiteral("KESTRUM20.INI")).contains("Testear_cx=false"));
        QVERIFY(!config::Variables::instance().testControllers);
        QVERIFY(f.main().isVisible()); // "No" keeps the console running
        QVERIFY(!ops::Operaciones::instance().suspendidos());
    }

    // While "Activar" is ticked the stored reader follows the chosen one; ticked with none chosen,
    // no reader is stored.
    void desktopReader() {
        ConsoleFixture f;
        f.controller(1, QStringLiteral("Door A"));
        f.controller(2, QStringLiteral("Door B"));
        f.start();
        ui::F_Parametros_app& p = *f.w->parametros;
        config::Variables& v = config::Variables::instance();
        p.Prepara();
        QCOMPARE(p.C_Lectores_Lectura()->count(), 2);
        QCOMPARE(p.C_Lectores_Lectura()->currentIndex(), -1);
        p.CH_Lectura_Lector()->setChecked(true);
        p.CH_Lectura_LectorClick();
        QVERIFY(v.desktopReaderInUse);
        QCOMPARE(v.desktopReader, QString());

        p.C_Lectores_Lectura()->setCurrentIndex(1);
        p.C_Lectores_LecturaChange();
        QCOMPARE(v.desktopReaderNumber, 2);
        QCOMPARE(v.desktopReader, QStringLiteral("2"));
        QVERIFY(p.Acepta());

        p.CH_Lectura_Lector()->setChecked(false);
        p.CH_Lectura_LectorClick();
        QVERIFY(!v.desktopReaderInUse);
        QCOMPARE(v.desktopReader, QString());
    }

    // A reader's port is listed with the device it opens; a device typed is stored in section Serial
    // and the next opening of the port uses it.
    void serialDevices() {
        ConsoleFixture f(1);
        f.controller(1, QStringLiteral("Door A"));
        f.start();
        ui::F_Parametros_app& p = *f.w->parametros;
        p.Prepara();
        QCOMPARE(p.T_Serie()->rowCount(), 1);
        QCOMPARE(p.T_Serie()->item(0, 0)->text(), QStringLiteral("COM1"));
        QCOMPARE(qobject_cast<QComboBox*>(p.T_Serie()->cellWidget(0, 1))->currentText(), f.sim->device(1));
        QVERIFY(!p.Acepta());
        p.setDispositivo(0, QStringLiteral("/dev/pts/9999"));
        QVERIFY(p.Acepta());
        QCOMPARE(config::Variables::instance().serialDevice(1), QStringLiteral("/dev/pts/9999"));
        QVERIFY(f.root.read(QStringLiteral("KESTRUM20.INI")).contains("COM1=/dev/pts/9999"));
    }

    void languageMessageAtOnceEvenWhenCancelled() {
        ConsoleFixture f;
        f.start();
        QString visto;
        f.answerNextDialog([&](QWidget* d) {
            auto* p = static_cast<ui::F_Parametros_app*>(d);
            f.answerNextDialog([&visto, p](QWidget* q) {
                visto = static_cast<QMessageBox*>(q)->text();
                static_cast<QMessageBox*>(q)->accept();
                QTimer::singleShot(
                    0, p, [p] { p->findChild<QPushButton*>(QStringLiteral("B_Cancelar"))->click(); });
            });
            p->C_Idioma()->setCurrentIndex(p->C_Idioma()->findText(QStringLiteral("ESPAÑOL")));
            p->C_IdiomaChange();
        });
        f.click("SpeedButton29");
        QCOMPARE(visto, config::Lang::instance().mensaje(QStringLiteral("Variables_variables_F_Main_5")));
        QCOMPARE(config::Variables::instance().language, QStringLiteral("ESPAÑOL"));
    }
};

QTEST_MAIN(TestParametros)
#include "tst_parametros.moc"
