#include "simports.h"
#include "vornaframe.h"

#include <QTest>

using namespace kestrum::link;
using kestrum::test::bytes;

namespace {

QByteArray toBytes(const std::vector<std::uint8_t>& v) {
    return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}

std::span<const std::uint8_t> span(const QByteArray& b) {
    return {reinterpret_cast<const std::uint8_t*>(b.constData()), static_cast<std::size_t>(b.size())};
}

// Records what the receiver reports as "F <source> <body hex>" and "ACK".
struct Recorder : VornaReceiver::Sink {
    QStringList items;
    void frameReceived(std::uint8_t source, std::span<const std::uint8_t> body) override {
        const QByteArray b(reinterpret_cast<const char*>(body.data()), static_cast<qsizetype>(body.size()));
        items << QStringLiteral("F %1 %2")
                     .arg(source, 2, 16, QLatin1Char('0'))
                     .arg(QString::fromLatin1(b.toHex(' ')));
    }
    void loneAck() override { items << QStringLiteral("ACK"); }
};

QByteArray frame(quint8 dest, quint8 src, quint8 code, const QByteArray& data) {
    return toBytes(buildFrame(dest, src, code, span(data)));
}

} // namespace

class TestVornaFrame : public QObject {
    Q_OBJECT
private slots:
    void buildsFrames_data();
    void buildsFrames();
    void receives_data();
    void receives();
    void receivesByteByByte();
    void oversizedBodyIsDroppedAndParsingGoesOn();
};

void TestVornaFrame::buildsFrames_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("test, no data") << 27 << QByteArray() << bytes("10 02 AA 81 1B 30 10 03");
    QTest::newRow("times") << 26 << bytes("05 0A") << bytes("10 02 AA 81 1A 05 0A 3E 10 03");
    QTest::newRow("data DLE doubled")
        << 97 << bytes("00 00 10 20 30") << bytes("10 02 AA 81 61 00 00 10 10 20 30 4A 10 03");
    QTest::newRow("checksum DLE doubled") << 27 << bytes("20") << bytes("10 02 AA 81 1B 20 10 10 10 03");
    QTest::newRow("command DLE doubled") << 0x10 << QByteArray() << bytes("10 02 AA 81 10 10 3B 10 03");
}

void TestVornaFrame::buildsFrames() {
    QFETCH(int, command);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, wire);
    QCOMPARE(frame(0xAA, 0x81, static_cast<quint8>(command), data).toHex(' '), wire.toHex(' '));
}

void TestVornaFrame::receives_data() {
    QTest::addColumn<QList<QByteArray>>("reads");
    QTest::addColumn<QStringList>("expected");

    const QByteArray reply = frame(0x81, 0xAA, 0x06, {});
    const QByteArray card = frame(0x81, 0xAA, 0x2F, bytes("00 12 10 56 78"));
    QByteArray badChecksum = reply;
    badChecksum[badChecksum.size() - 3] = static_cast<char>(badChecksum[badChecksum.size() - 3] ^ 0x01);

    QTest::newRow("reply") << QList<QByteArray>{reply} << QStringList{"F aa 06"};
    QTest::newRow("doubled DLE in data") << QList<QByteArray>{card} << QStringList{"F aa 2f 00 12 10 56 78"};
    QTest::newRow("bad checksum") << QList<QByteArray>{badChecksum} << QStringList{};
    QTest::newRow("lone ACK") << QList<QByteArray>{bytes("06")} << QStringList{"ACK"};
    QTest::newRow("ACK byte inside a frame is data")
        << QList<QByteArray>{frame(0x81, 0xAA, 0x2F, bytes("06 06"))} << QStringList{"F aa 2f 06 06"};
    QTest::newRow("other station, its 0x06 is no ACK")
        << QList<QByteArray>{frame(0x82, 0xAA, 0x06, bytes("06")), bytes("06")} << QStringList{"ACK"};
    QTest::newRow("garbage around frames")
        << QList<QByteArray>{bytes("33 44") + reply + bytes("FF 02 03") + reply}
        << QStringList{"F aa 06", "F aa 06"};
    QTest::newRow("DLE STX restarts")
        << QList<QByteArray>{bytes("10 02 81 AA 2C 01") + card} << QStringList{"F aa 2f 00 12 10 56 78"};
    // A sender that forgot to double a DLE: taken as a literal byte, also across read boundaries.
    QTest::newRow("lone DLE in body, same read")
        << QList<QByteArray>{bytes("10 02 81 AA 2F 10 12 06 10 03")} << QStringList{"F aa 2f 10 12"};
    QTest::newRow("lone DLE in body, split reads")
        << QList<QByteArray>{bytes("10 02 81 AA 2F 10"), bytes("12 06 10 03")}
        << QStringList{"F aa 2f 10 12"};
    QTest::newRow("DLE as source address")
        << QList<QByteArray>{bytes("10 02 81 10 10 06 97 10 03")} << QStringList{};
    QTest::newRow("no body") << QList<QByteArray>{bytes("10 02 81 AA 10 03")} << QStringList{};
    QTest::newRow("reply from another address")
        << QList<QByteArray>{frame(0x81, 0xAB, 0x2C, bytes("02"))} << QStringList{"F ab 2c 02"};
}

void TestVornaFrame::receives() {
    QFETCH(QList<QByteArray>, reads);
    QFETCH(QStringList, expected);
    VornaReceiver receiver;
    Recorder rec;
    for (const auto& r : reads)
        receiver.feed(span(r), rec);
    QCOMPARE(rec.items, expected);
    QCOMPARE(receiver.state(), VornaReceiver::State::Espera_DLE);
}

// On Linux a read often carries one byte: the result must not depend on it.
void TestVornaFrame::receivesByteByByte() {
    const QByteArray stream = frame(0x81, 0xAA, 0x2F, bytes("10 10 06 FE 10")) + bytes("06") +
                              frame(0x81, 0xAA, 0x31, bytes("01 00 12 34 56 78"));
    VornaReceiver whole, single;
    Recorder a, b;
    whole.feed(span(stream), a);
    for (char c : stream)
        single.feed(span(QByteArray(1, c)), b);
    QCOMPARE(b.items, a.items);
    QCOMPARE(a.items, (QStringList{"F aa 2f 10 10 06 fe 10", "ACK", "F aa 31 01 00 12 34 56 78"}));
}

void TestVornaFrame::oversizedBodyIsDroppedAndParsingGoesOn() {
    const QByteArray big = frame(0x81, 0xAA, 0x2F, QByteArray(300, '\x22'));
    const QByteArray ok = frame(0x81, 0xAA, 0x2F, QByteArray(253, '\x22'));
    VornaReceiver receiver;
    Recorder rec;
    receiver.feed(span(big + ok), rec);
    QCOMPARE(rec.items.size(), 1);
    QCOMPARE(rec.items.first().size(), QStringLiteral("F aa 2f").size() + 253 * 3);
    QCOMPARE(receiver.droppedFrames(), std::size_t{1});
}

QTEST_GUILESS_MAIN(TestVornaFrame)
#include "tst_vornaframe.moc"
