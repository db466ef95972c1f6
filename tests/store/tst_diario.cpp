// The journal file: numbers keep rising across trims and reopenings, and a line cut short by a
// crash neither hides the entries before it nor swallows the next one. Its writer settles an event
// as kept only once it is on disk.
#include "diario.h"
#include "fulldisk.h"
#include "kerror.h"
#include "tempdataroot.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using kestrum::store::AsientoDiario;
using kestrum::store::Diario;
using kestrum::store::EscritorDiario;

namespace {

AsientoDiario evento(const QString& tarjeta) {
    AsientoDiario a;
    a.momento = QDateTime::currentDateTime();
    a.controlador = 1;
    a.evento = 1;
    a.tarjeta = tarjeta;
    a.descripcion = QStringLiteral("%1 O'Brien \"Núñez\"\n").arg(tarjeta);
    return a;
}

QStringList tarjetas(const Diario& d) {
    QStringList out;
    for (const auto& a : d.asientos())
        out << a.tarjeta;
    return out;
}

} // namespace

class TestDiarioFichero : public QObject {
    Q_OBJECT
private slots:
    void numbersRiseAcrossTrimsAndReopenings() {
        QTemporaryDir dir;
        const QString fichero =
            Diario::ficheroPara(dir.path() + QStringLiteral("/journal"), QStringLiteral("x.kdt"));
        QString identidad;
        {
            Diario d(fichero);
            identidad = d.identidad();
            std::vector<AsientoDiario> tres{evento(QStringLiteral("A")), evento(QStringLiteral("B"))};
            d.anota(tres);
            std::vector<AsientoDiario> c{evento(QStringLiteral("C"))};
            d.anota(c);
            d.recorta(2);
            QCOMPARE(tarjetas(d), QStringList{QStringLiteral("C")});
            QCOMPARE(tarjetas(Diario(fichero)), QStringList{QStringLiteral("C")});
            d.recorta(3);
        }
        Diario d(fichero);
        QCOMPARE(d.identidad(), identidad);
        QVERIFY(d.asientos().empty());
        std::vector<AsientoDiario> a{evento(QStringLiteral("D"))};
        d.anota(a);
        QCOMPARE(a[0].secuencia, 4);
        Diario otra(fichero);
        QCOMPARE(otra.asientos().back().descripcion, a[0].descripcion);
    }

    void lineCutShortByACrash() {
        QTemporaryDir dir;
        const QString fichero = dir.filePath(QStringLiteral("e.journal"));
        {
            Diario d(fichero);
            std::vector<AsientoDiario> dos{evento(QStringLiteral("A")), evento(QStringLiteral("B"))};
            d.anota(dos);
        }
        QFile f(fichero);
        QVERIFY(f.open(QIODevice::Append));
        f.write("{\"n\":3,\"t\":\"2026-");
        f.close();
        {
            Diario d(fichero);
            QCOMPARE(tarjetas(d), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
            std::vector<AsientoDiario> c{evento(QStringLiteral("C"))};
            d.anota(c);
        }
        Diario d(fichero);
        QCOMPARE(tarjetas(d), (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
    }

    // A full journal and a log that cannot be reached: the events are not kept, which the
    // operator hears once, and the next event after room came back is kept.
    void unkeptWhenNeitherTakesThem() {
        kestrum::test::TempDataRoot root; // the engine's environment
        QTemporaryDir dir;
        const QString carpeta = dir.filePath(QStringLiteral("journal"));
        QVERIFY(QDir().mkpath(carpeta));
        kestrum::test::FullDisk disk(carpeta);
        const QString fichero = carpeta + QStringLiteral("/e.journal");
        {
            // A header that fills a whole page: on a filled tmpfs the next line needs a page more.
            QByteArray cabecera = "{\"kestrum-journal\":1,\"id\":\"full\",\"base\":0,\"p\":\"";
            cabecera += QByteArray(4096 - cabecera.size() - 3, 'x') + "\"}\n";
            QFile f(fichero);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(cabecera) == 4096);
        }
        QList<EscritorDiario::Estado> avisos;
        QList<bool> hechos;
        {
            EscritorDiario writer(std::make_unique<Diario>(fichero), dir.filePath(QStringLiteral("none.fdb")),
                                  [&](EscritorDiario::Estado e, const QString&, int) { avisos << e; });
            disk.fill();
            for (const char* tarjeta : {"A", "B"}) {
                const qsizetype antes = hechos.size();
                writer.anota(evento(QLatin1String(tarjeta)), [&](bool guardado) { hechos << guardado; });
                QTRY_COMPARE(hechos.size(), antes + 1);
            }
            QCOMPARE(hechos, (QList<bool>{false, false}));
            QTRY_COMPARE(avisos.count(EscritorDiario::Estado::NoGuardados), 1);

            disk.release();
            writer.anota(evento(QStringLiteral("C")), [&](bool guardado) { hechos << guardado; });
            QTRY_COMPARE(hechos.size(), 3);
            QVERIFY(hechos[2]);
            QCOMPARE(avisos.count(EscritorDiario::Estado::NoGuardados), 1);
            QCOMPARE(avisos.count(EscritorDiario::Estado::Perdido), 0);
        }
        QCOMPARE(tarjetas(Diario(fichero)), QStringList{QStringLiteral("C")});
    }

    void notAJournal() {
        QTemporaryDir dir;
        const QString fichero = dir.filePath(QStringLiteral("e.journal"));
        QFile f(fichero);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[General]\n");
        f.close();
        QVERIFY_THROWS_EXCEPTION(kestrum::Error, Diario{fichero});
    }
};

QTEST_GUILESS_MAIN(TestDiarioFichero)
#include "tst_diario.moc"
