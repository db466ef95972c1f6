#include "operacion.h"

#include <QSignalSpy>
#include <QTest>

using kestrum::ops::GuardaOperacion;
using kestrum::ops::Operaciones;
using kestrum::ops::SuspensionEventos;

class TstOperacion : public QObject {
    Q_OBJECT
private slots:
    void init() { Operaciones::instance().reset(); }

    void suspensionsNest() {
        QSignalSpy reanudados(&Operaciones::instance(), &Operaciones::eventosReanudados);
        {
            SuspensionEventos editor;
            { const SuspensionEventos workflow(false); }
            QCOMPARE(reanudados.count(), 0);
            QVERIFY(Operaciones::instance().suspendidos());
        }
        QCOMPARE(reanudados.count(), 1);
        QCOMPARE(reanudados.first().first().toBool(), true); // the outer one decides
        QVERIFY(!Operaciones::instance().suspendidos());
        // A resume with nothing suspended neither goes negative nor hides the next suspension.
        Operaciones::instance().reanuda();
        const SuspensionEventos again;
        QVERIFY(Operaciones::instance().suspendidos());
    }

    void anInnerGuardKeepsTheOuterMark() {
        QSignalSpy cambios(&Operaciones::instance(), &Operaciones::enCursoCambiado);
        {
            const GuardaOperacion outer;
            QVERIFY(outer.tomada());
            {
                const GuardaOperacion inner;
                QVERIFY(!inner.tomada());
            }
            QVERIFY(Operaciones::instance().enCurso());
        }
        QVERIFY(!Operaciones::instance().enCurso());
        QCOMPARE(cambios.count(), 2);
    }
};

QTEST_GUILESS_MAIN(TstOperacion)
#include "tst_operacion.moc"
