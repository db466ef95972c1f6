// Installation management as the operator uses it: create, switch, export, import, delete, close.
#include "UF_Gestion_BD.h"
#include "UF_Main.h"
#include "Variables.h"
#include "arranque.h"
#include "avisos.h"
#include "consolefixture.h"
#include "operacion.h"
#include "timings.h"
#include "udorq.h"
#include "udorqcoleccionusuario.h"
#include "udorqserver.h"
#include "udorqsistema.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

using namespace kestrum;
using kestrum::test::ConsoleFixture;

namespace {

QStringList items(const QComboBox* c) {
    QStringList out;
    for (int i = 0; i < c->count(); ++i)
        out << c->itemText(i);
    return out;
}

int holders() {
    return ui::Consola::instance().sistema->Usuarios()->Cuenta();
}

} // namespace

class TestGestion : public QObject {
    Q_OBJECT
private slots:
    void createSwitchDeleteAndClose() {
        ConsoleFixture f;
        f.start();
        ui::F_Gestion_BD& g = *f.w->gestion;
        QVERIFY(!g.B_Eliminar()->isEnabled()); // the only installation cannot go

        g.E_Nueva()->setText(QStringLiteral("Warehouse"));
        g.B_NuevaClick();
        QCOMPARE(f.errors, QStringList{});
        QCOMPARE(items(g.C2()).size(), 2);
        QCOMPARE(g.C2()->currentIndex(), 1);
        QCOMPARE(ui::Consola::instance().instalacion, QStringLiteral("2"));
        QVERIFY(ui::Consola::instance().sistema);
        QVERIFY(g.B_Eliminar()->isEnabled());
        QVERIFY(g.E_Nueva()->text().isEmpty());
        QVERIFY(f.main().windowTitle().endsWith(QLatin1String("Warehouse")));

        // Switching back closes installation 2 and opens 1; the navigator's root names it.
        g.C2()->setCurrentIndex(0);
        g.C2Change();
        QCOMPARE(ui::Consola::instance().instalacion, QStringLiteral("1"));
        auto* arbol = f.main().findChild<QTreeWidget*>(QStringLiteral("Arbol1"));
        QVERIFY(arbol->topLevelItem(0)->text(0).endsWith(
            store::Divide_Texto(items(g.C2()).first(), QStringLiteral(".-")).value(1)));
        QVERIFY(!ops::operacionEnCurso());
        QVERIFY(!ops::Operaciones::instance().suspendidos());

        // Delete installation 2, confirmed: its row and its file go, installation 1 is open.
        g.C2()->setCurrentIndex(1);
        f.answerNextDialog([](QWidget* d) { d->findChild<QPushButton*>(QStringLiteral("B_Yes"))->click(); });
        g.B_EliminarClick();
        QCOMPARE(f.errors, QStringList{});
        QCOMPARE(items(g.C2()).size(), 1);
        QVERIFY(!QFile::exists(f.root.installation(2)));
        QCOMPARE(ui::Consola::instance().instalacion, QStringLiteral("1"));
        QVERIFY(!g.B_Eliminar()->isEnabled());

        g.B_SalirClick();
        QVERIFY(f.root.read(QStringLiteral("KESTRUM20.INI")).contains("LAST_INSTALLATION=1"));
    }

    // A tick of the periodic task while the switch waits, and after it, reaches none of the closed
    // installation's readers: its expired card stays in the reader and in its row.
    void periodicTickDuringASwitchSendsNothing() {
        ConsoleFixture f(1);
        f.controller(1, QStringLiteral("Door"));
        f.holder(1, QStringLiteral("Ana"));
        f.sql(QStringLiteral("INSERT INTO DORQTARJETA VALUES('0000000007','N',current_timestamp,"
                             "'2001-01-01 00:00:00',1,'S')"));
        f.assign(QStringLiteral("0000000007"), 1, true);
        {
            store::DORQServer server;
            server.Configura_Conexion(QString(), f.root.catalogue(), QString(), QString());
            QCOMPARE(server.Crea_Instalacion(QStringLiteral("Other")), 2);
        }
        f.start();
        const auto commands = [&f] {
            return f.host().with(1, [](sim::SimController& c) {
                int n = 0;
                for (int code = 0; code < 256; ++code)
                    n += c.commandCount(static_cast<quint8>(code));
                return n;
            });
        };
        const int before = commands();
        ui::F_Gestion_BD& g = *f.w->gestion;
        bool ticked = false;
        QTimer::singleShot(timings().scale(300), &g, [&] {
            QVERIFY(!ui::Consola::instance().sistema);
            f.main().Eliminar_Tarj_cad_Y_Test_LectoresTimer();
            ticked = true;
        });
        g.C2()->setCurrentIndex(1);
        g.C2Change();
        QVERIFY(ticked);
        QCOMPARE(ui::Consola::instance().instalacion, QStringLiteral("2"));
        f.main().Eliminar_Tarj_cad_Y_Test_LectoresTimer();
        QCOMPARE(commands(), before);
        QCOMPARE(f.memory(1), QStringList{QStringLiteral("0000000007")});
        QCOMPARE(f.scalar(QStringLiteral("SELECT USUARIO || USAR_FECHA_CAD FROM DORQTARJETA")).toString(),
                 QStringLiteral("1S"));
        QCOMPARE(f.errors, QStringList{});
    }

    void createWithoutNameDoesNothing() {
        ConsoleFixture f;
        f.start();
        ui::F_Gestion_BD& g = *f.w->gestion;
        g.B_NuevaClick();
        QCOMPARE(items(g.C2()).size(), 1);
        QCOMPARE(ui::Avisos::instance().ultimo(),
                 ui::textoAviso(QStringLiteral("KS_Dlg_Installation_no_name")));
    }

    // A backup restores the installation as it was; a damaged one leaves it as it is now and says
    // why; the names in the chooser never change.
    void exportAndImport() {
        ConsoleFixture f;
        f.holder(1, QStringLiteral("Ann"));
        f.start();
        ui::F_Gestion_BD& g = *f.w->gestion;
        const QStringList nombres = items(g.C2());
        const QString sinExtension = f.root.path(QStringLiteral("backup"));
        g.Exporta(sinExtension);
        QCOMPARE(f.errors, QStringList{});
        const QString copia = sinExtension + QLatin1String(".kdt");
        QVERIFY(QFile::exists(copia));
        QVERIFY(!QFile::exists(sinExtension));

        // A holder added after the backup.
        f.sql(QStringLiteral(
            "INSERT INTO DORQUSUARIO(ID,NOMBRE,APELLIDOS,PERMANENTE) VALUES(2,'Bob','Ruiz','S')"));

        // A truncated backup: the installation keeps both holders and is open again.
        const QString roto = f.root.path(QStringLiteral("broken.kdt"));
        QFile in(copia);
        QVERIFY(in.open(QIODevice::ReadOnly));
        QFile out(roto);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(in.read(in.size() / 2));
        out.close();
        ui::protegido([&] { g.Importa(roto); });
        QCOMPARE(f.errors.size(), 1);
        QVERIFY(ui::Consola::instance().sistema);
        QCOMPARE(f.scalar(QStringLiteral("SELECT COUNT(*) FROM DORQUSUARIO")).toInt(), 2);

        f.errors.clear();
        g.Importa(copia);
        QCOMPARE(f.errors, QStringList{});
        QVERIFY(ui::Consola::instance().sistema);
        QCOMPARE(holders(), 1);
        QCOMPARE(f.scalar(QStringLiteral("SELECT COUNT(*) FROM DORQUSUARIO")).toInt(), 1);
        QCOMPARE(items(g.C2()), nombres);
    }
};

QTEST_MAIN(TestGestion)
#include "tst_gestion.moc"
