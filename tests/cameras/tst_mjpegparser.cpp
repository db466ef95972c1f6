// The multipart stream cut into frames whatever the read boundaries and the camera's habits.
#include "mjpegparser.h"

#include <QTest>

using kestrum::cameras::MjpegParser;

namespace {

// JPEG-like bodies: start marker, some bytes that look like line ends and dashes, end marker.
QByteArray jpeg(char fill, int size) {
    QByteArray b("\xFF\xD8", 2);
    b += QByteArray(size, fill);
    b += "\r\n--not-the-boundary\r\n";
    b += QByteArray("\xFF\xD9", 2);
    return b;
}

struct Style {
    bool length = true;
    bool headers = true;
    QByteArray between; // what separates a part from the next boundary line
};

QByteArray stream(const QList<QByteArray>& frames, const Style& s) {
    QByteArray out;
    for (const QByteArray& f : frames) {
        out += "--myboundary\r\n";
        if (s.headers) {
            out += "Content-Type: image/jpeg\r\n";
            if (s.length)
                out += "Content-Length: " + QByteArray::number(f.size()) + "\r\n";
            out += "\r\n";
        }
        out += f + s.between;
    }
    return out + "--myboundary--\r\n";
}

QList<QByteArray> feedInChunks(MjpegParser& parser, const QByteArray& bytes, int chunk) {
    QList<QByteArray> frames;
    for (qsizetype i = 0; i < bytes.size(); i += chunk)
        frames += parser.feed(bytes.mid(i, chunk));
    return frames;
}

} // namespace

class TestMjpegParser : public QObject {
    Q_OBJECT
private slots:
    void boundaryFromContentType_data() {
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QByteArray>("boundary");
        QTest::newRow("plain") << QByteArray("multipart/x-mixed-replace; boundary=myboundary")
                               << QByteArray("myboundary");
        QTest::newRow("quoted, dashes")
            << QByteArray("multipart/x-mixed-replace;boundary=\"--abc\"") << QByteArray("abc");
        QTest::newRow("capitals, more parameters")
            << QByteArray("multipart/x-mixed-replace; charset=x; BOUNDARY=frame") << QByteArray("frame");
        QTest::newRow("none") << QByteArray("multipart/x-mixed-replace") << QByteArray();
    }
    void boundaryFromContentType() {
        QFETCH(QByteArray, contentType);
        QFETCH(QByteArray, boundary);
        QCOMPARE(MjpegParser::boundaryFrom(contentType), boundary);
    }

    // Every style yields the same frames, whether the bytes come at once or one by one.
    void framesOfEveryStyle_data() {
        QTest::addColumn<bool>("length");
        QTest::addColumn<bool>("headers");
        QTest::addColumn<QByteArray>("between");
        QTest::addColumn<QByteArray>("boundary");
        QTest::addColumn<int>("chunk");
        for (int chunk : {1, 7, 100000}) {
            const QByteArray c = "/" + QByteArray::number(chunk);
            QTest::newRow("Content-Length" + c)
                << true << true << QByteArray("\r\n") << QByteArray("myboundary") << chunk;
            QTest::newRow("no Content-Length" + c)
                << false << true << QByteArray("\r\n") << QByteArray("myboundary") << chunk;
            QTest::newRow("extra line ends" + c)
                << true << true << QByteArray("\r\n\r\n\r\n") << QByteArray("myboundary") << chunk;
            QTest::newRow("no length, extra line ends, bare LF" + c)
                << false << true << QByteArray("\n\n") << QByteArray("myboundary") << chunk;
            QTest::newRow("no headers" + c)
                << false << false << QByteArray("\r\n") << QByteArray("myboundary") << chunk;
            QTest::newRow("boundary from the body" + c)
                << false << true << QByteArray("\r\n") << QByteArray() << chunk;
        }
    }
    void framesOfEveryStyle() {
        QFETCH(bool, length);
        QFETCH(bool, headers);
        QFETCH(QByteArray, between);
        QFETCH(QByteArray, boundary);
        QFETCH(int, chunk);
        const QList<QByteArray> sent = {jpeg('a', 300), jpeg('b', 5), jpeg('c', 2000)};
        MjpegParser parser(boundary);
        QCOMPARE(feedInChunks(parser, stream(sent, {length, headers, between}), chunk), sent);
    }

    // A part that claims more than a frame can be is skipped; the stream goes on after it.
    void oversizedPartSkipped() {
        MjpegParser parser("myboundary");
        QByteArray bytes = "--myboundary\r\nContent-Length: 999999999999\r\n\r\n" + jpeg('x', 10) + "\r\n";
        bytes += stream({jpeg('y', 10)}, {});
        QCOMPARE(parser.feed(bytes), QList<QByteArray>{jpeg('y', 10)});
    }

    // A new connection starts clean: half a frame of the old one is not glued to the new one.
    void resetDropsAPartialFrame() {
        MjpegParser parser("myboundary");
        const QByteArray whole = stream({jpeg('a', 50)}, {false, true, "\r\n"});
        QVERIFY(parser.feed(whole.left(whole.size() / 2)).isEmpty());
        parser.reset("myboundary");
        QCOMPARE(parser.feed(stream({jpeg('b', 50)}, {})), QList<QByteArray>{jpeg('b', 50)});
    }
};

QTEST_GUILESS_MAIN(TestMjpegParser)
#include "tst_mjpegparser.moc"
