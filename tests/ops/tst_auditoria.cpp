// The readers' audit against simulated controllers whose memory changed behind the console's back.
#include "auditoria.h"
#include "installation.h"
#include "simports.h"

#include <QTest>

using namespace kestrum;
using kestrum::ops::AuditoriaLector;
using kestrum::ops::EstadoLector;
using kestrum::ops::Problema;

namespace {

QStringList sorted(QStringList l) {
    l.sort();
    return l;
}

// "problem:code" per difference, in the result's order.
QStringList describe(const AuditoriaLector& r) {
    static const char* names[] = {"unknown", "missing", "pending-present"};
    QStringList out;
    for (const auto& d : r.diferencias)
        out << QStringLiteral("%1:%2").arg(QLatin1String(names[static_cast<int>(d.problema)]), d.codigo);
    return out;
}

} // namespace

class TstAuditoria : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { inst_ = std::make_unique<test::Installation>(); }
    void init();
    void cleanup();
    void cleanupTestCase() { inst_.reset(); }

    void fix_data();
    void fix();
    void silentAndOldReadersAreNotCompared();

private:
    template <class F> auto sim(int n, F&& f) { return sim_->host().with(n, std::forward<F>(f)); }
    void addController(int cod) {
        inst_->sql(QStringLiteral("INSERT INTO dorqcontrolador(cod,puerto_serie,tipo,descripcion) "
                                  "VALUES(:c,:c,'Null',:d)"),
                   {{"c", cod}, {"d", QStringLiteral("Door %1").arg(cod)}});
        sim(cod, [](sim::SimController& c) {
            c.setSetup({.state = 2, .lockTime = 5, .openTime = 10, .version = 21});
        });
    }
    void assign(const QString& card, int controller, const char* mark) {
        inst_->sql(QStringLiteral("UPDATE OR INSERT INTO dorqtarjeta(codigo_tarjeta,usuario) VALUES(:c,-1) "
                                  "MATCHING(codigo_tarjeta)"),
                   {{"c", card}});
        inst_->sql(QStringLiteral("INSERT INTO dorqcontroladortarjeta VALUES(:t,:c,:m)"),
                   {{"t", card}, {"c", controller}, {"m", QLatin1String(mark)}});
    }
    QStringList marks(int controller) {
        return inst_->rows(QStringLiteral("SELECT tarjeta, \"_STOREDINHW\" FROM dorqcontroladortarjeta "
                                          "WHERE controlador=%1 ORDER BY tarjeta")
                               .arg(controller));
    }
    QStringList memory(int n) {
        return sorted(sim(n, [](sim::SimController& c) { return c.memory(); }));
    }
    std::unique_ptr<test::Installation> inst_;
    std::unique_ptr<test::SimPorts> sim_;
};

void TstAuditoria::init() {
    inst_->reset();
    sim_ = std::make_unique<test::SimPorts>(2);
}

void TstAuditoria::cleanup() {
    inst_->close();
    sim_.reset();
}

void TstAuditoria::fix_data() {
    QTest::addColumn<int>("refused");           // command reader 1 refuses during the fix; 0: none
    QTest::addColumn<QStringList>("remaining"); // reader 1's differences after the fix
    QTest::addColumn<QStringList>("memoryAfter");
    QTest::newRow("all acknowledged")
        << 0 << QStringList{} << QStringList{"0000000001", "0000000002", "0000000003"};
    QTest::newRow("erase refused") << 65 << QStringList{"unknown:0000000099"}
                                   << QStringList{"0000000001", "0000000002", "0000000003", "0000000099"};
    QTest::newRow("send refused") << 97 << QStringList{"missing:0000000002"}
                                  << QStringList{"0000000001", "0000000003"};
}

void TstAuditoria::fix() {
    QFETCH(int, refused);
    QFETCH(QStringList, remaining);
    QFETCH(QStringList, memoryAfter);
    addController(1);
    addController(2);
    assign("0000000001", 1, "S");
    assign("0000000002", 1, "S"); // the reader lost it
    assign("0000000003", 1, "N"); // the reader has it, the mark is behind
    assign("0000000004", 1, "N"); // pending, not in the reader: no difference
    assign("0000000005", 2, "S");
    sim(1, [](sim::SimController& c) { c.setMemory({"0000000099", "0000000003", "0000000001"}); });
    sim(2, [](sim::SimController& c) { c.setMemory({"0000000005"}); });

    store::DORQSistema& s = inst_->open();
    ops::Auditoria auditoria(s);
    const auto antes = auditoria.ejecuta();
    QCOMPARE(antes.size(), std::size_t(2));
    QVERIFY(antes[0].comparado());
    QCOMPARE(antes[0].leidas, 3);
    QCOMPARE(describe(antes[0]),
             (QStringList{"unknown:0000000099", "missing:0000000002", "pending-present:0000000003"}));
    QVERIFY(antes[1].coincide());

    if (refused)
        sim(1, [refused](sim::SimController& c) { c.refuse(static_cast<quint8>(refused)); });
    const auto despues = auditoria.corrige(antes);
    QCOMPARE(describe(despues[0]), remaining);
    QVERIFY(despues[1].coincide());
    QCOMPARE(memory(1), memoryAfter);
    // The pending row the reader holds is "S" whatever the commands did; the lost card keeps its "S"
    // (the refused send leaves it missing); the pending card not in the reader stays "N".
    QCOMPARE(marks(1), (QStringList{"0000000001|S", "0000000002|S", "0000000003|S", "0000000004|N"}));
    QCOMPARE(memory(2), QStringList{"0000000005"});

    sim(1, [](sim::SimController& c) { c.clearRefusals(); });
    const auto otra = auditoria.ejecuta();
    QCOMPARE(describe(otra[0]), remaining);
}

// A reader that does not answer, or whose firmware cannot be read, claims no difference, and the
// fix sends it nothing and leaves its rows.
void TstAuditoria::silentAndOldReadersAreNotCompared() {
    addController(1);
    addController(2);
    assign("0000000001", 1, "S");
    assign("0000000002", 2, "N");
    sim(1, [](sim::SimController& c) {
        c.setMemory({});
        c.setSilent(true);
    });
    sim(2, [](sim::SimController& c) {
        c.setMemory({"0000000002", "0000000077"});
        c.setSetup({.state = 2, .lockTime = 5, .openTime = 10, .version = 19});
    });
    store::DORQSistema& s = inst_->open();
    ops::Auditoria auditoria(s);
    const auto r = auditoria.ejecuta({1, 2, 9});
    QCOMPARE(r.size(), std::size_t(3));
    QCOMPARE(r[0].estado, EstadoLector::NoContesta);
    QCOMPARE(r[1].estado, EstadoLector::NoPuedeRecibir);
    QCOMPARE(r[2].numero, 9);
    QCOMPARE(r[2].estado, EstadoLector::NoContesta);
    for (const auto& x : r) {
        QVERIFY(!x.comparado());
        QVERIFY(x.diferencias.empty());
    }
    const auto despues = auditoria.corrige(r);
    QCOMPARE(despues[1].estado, EstadoLector::NoPuedeRecibir);
    QCOMPARE(sim(2, [](sim::SimController& c) { return c.commandCount(65) + c.commandCount(97); }), 0);
    QCOMPARE(memory(2), (QStringList{"0000000002", "0000000077"}));
    QCOMPARE(marks(1), QStringList{"0000000001|S"});
    QCOMPARE(marks(2), QStringList{"0000000002|N"});
}

QTEST_GUILESS_MAIN(TstAuditoria)
#include "tst_auditoria.moc"
