// Events acknowledged while the installation's log refuses writes wait in the journal and reach the
// log once each, in order, when it takes writes again, in the same run or at the next start.
#include "UF_Main.h"
#include "avisos.h"
#include "consolefixture.h"
#include "timings.h"
#include "udorqcoleccionincidencia.h"

#include <QFile>
#include <QSignalSpy>

using namespace kestrum;
using kestrum::test::ConsoleFixture;

namespace {

const QString SIN_ESCRITURAS =
    QStringLiteral("CREATE TRIGGER T_SIN_ESCRITURAS FOR DORQINCIDENCIA BEFORE INSERT AS BEGIN "
                   "EXCEPTION E_SIN_ESCRITURAS; END");

void rechazaEscrituras(ConsoleFixture& f) {
    f.sql(QStringLiteral("CREATE EXCEPTION E_SIN_ESCRITURAS 'the log takes no events now'"));
    f.sql(SIN_ESCRITURAS);
}

void aceptaEscrituras(ConsoleFixture& f) {
    f.sql(QStringLiteral("DROP TRIGGER T_SIN_ESCRITURAS"));
}

// Presents each card and waits until the controller got its acknowledgement.
void presenta(ConsoleFixture& f, const QStringList& tarjetas) {
    for (const QString& t : tarjetas) {
        const int acks = f.host().with(1, [](sim::SimController& c) { return c.acksReceived(); });
        f.host().with(1, [&](sim::SimController& c) { c.presentCard(t); });
        QTRY_COMPARE(f.host().with(1, [](sim::SimController& c) { return c.acksReceived(); }), acks + 1);
    }
}

// The cards of the log's rows in the order they were recorded.
QStringList registradas(ConsoleFixture& f) {
    QStringList out;
    QSqlDatabase db = store::Db::connect(f.root.installation(1));
    {
        store::Query q(db);
        q.prepare(QStringLiteral("SELECT TARJETA FROM DORQINCIDENCIA ORDER BY COD")).exec();
        while (q.next())
            out << q.text(0);
    }
    store::Db::disconnect(db);
    return out;
}

store::DORQColeccionIncidencia& registro(ConsoleFixture& f) {
    return *f.sistema().Incidencias();
}

QStringList tarjetas(int desde, int n) {
    QStringList out;
    for (int i = desde; i < desde + n; ++i)
        out << QStringLiteral("00000%1").arg(i);
    return out;
}

} // namespace

class TestDiario : public QObject {
    Q_OBJECT
private slots:
    void refusedWritesReplayedOnceInOrder() {
        ConsoleFixture f(1);
        f.controller(1, QStringLiteral("Door"));
        f.start();
        f.click("I_PLAY_OFF");
        presenta(f, tarjetas(10000, 1));
        QTRY_COMPARE(registradas(f).size(), 1);

        rechazaEscrituras(f);
        QSignalSpy avisos(&ui::Avisos::instance(), &ui::Avisos::aviso);
        presenta(f, tarjetas(10001, 6));
        QTRY_COMPARE(registro(f).Pendientes_Diario(), 6);
        QCOMPARE(registradas(f).size(), 1);
        // Shown as they come, the refusal said once.
        QTRY_COMPARE(f.list("Lista_Incidencias").filas(), 7);
        QTRY_VERIFY(ui::Avisos::instance().ultimo().contains(QLatin1String("the log takes no events now")));
        const QString rechazo = ui::textoAviso(QStringLiteral("KS_Journal_refused"), {QString()}).left(20);
        int rechazos = 0;
        for (const auto& a : avisos)
            rechazos += a.value(0).toString().startsWith(rechazo) ? 1 : 0;
        QCOMPARE(rechazos, 1);

        aceptaEscrituras(f);
        QTRY_COMPARE_WITH_TIMEOUT(registradas(f), tarjetas(10000, 7), timings().journalRetryMs * 3);
        QTRY_COMPARE(registro(f).Pendientes_Diario(), 0);
        QTRY_COMPARE(ui::Avisos::instance().ultimo(),
                     ui::textoAviso(QStringLiteral("KS_Journal_replayed"), {"6"}));
        // Later events follow them.
        presenta(f, tarjetas(10007, 1));
        QTRY_COMPARE(registradas(f), tarjetas(10000, 8));
        QVERIFY(f.errors.isEmpty());
    }

    void journalLeftByAnEarlierRunReplayedAtStart() {
        ConsoleFixture f(1);
        f.controller(1, QStringLiteral("Door"));
        f.start();
        f.click("I_PLAY_OFF");
        rechazaEscrituras(f);
        presenta(f, tarjetas(20000, 4));
        QTRY_COMPARE(registro(f).Pendientes_Diario(), 4);
        const QString fichero = registro(f).Fichero_Diario();

        // The console ends while the log still refuses them.
        const QString copia = f.root.path() + QStringLiteral("/journal.copy");
        QVERIFY(QFile::copy(fichero, copia));
        f.w.reset();
        ui::Consola::reset();
        aceptaEscrituras(f);
        f.start();
        QTRY_COMPARE(registradas(f), tarjetas(20000, 4));
        QTRY_COMPARE(registro(f).Pendientes_Diario(), 0);
        // Trimmed of what the log holds: the header alone is left.
        const auto lineas = [&] {
            QFile file(fichero);
            return file.open(QIODevice::ReadOnly) ? file.readAll().count('\n') : -1;
        };
        QTRY_COMPARE(lineas(), 1);

        // A run that ended before trimming leaves entries the log holds: a further start records
        // none of them again.
        f.w.reset();
        ui::Consola::reset();
        QVERIFY(QFile::remove(fichero) && QFile::copy(copia, fichero));
        f.start();
        QTRY_COMPARE(registro(f).Pendientes_Diario(), 0);
        QTRY_COMPARE(lineas(), 1);
        QCOMPARE(registradas(f), tarjetas(20000, 4));
        QVERIFY(f.errors.isEmpty());
    }
};

QTEST_MAIN(TestDiario)
#include "tst_diario.moc"
