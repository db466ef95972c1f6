// The viewer against a local camera: frames drawn, the camera going away and coming back.
#include "mjpegserver.h"
#include "mjpegviewer.h"

#include <QSignalSpy>
#include <QTest>

using kestrum::cameras::MjpegViewer;
using kestrum::test::MjpegServer;

namespace {

constexpr int LONG_WAIT_MS = 20000;

QColor centre(QWidget& w) {
    const QImage shot = w.grab().toImage();
    return shot.pixelColor(shot.width() / 2, shot.height() / 2);
}

// JPEG colours come back within a few steps of what was sent.
bool near(const QColor& a, const QColor& b) {
    return qAbs(a.red() - b.red()) < 24 && qAbs(a.green() - b.green()) < 24 && qAbs(a.blue() - b.blue()) < 24;
}

struct Viewing {
    explicit Viewing(const QString& url) {
        viewer.resize(160, 120);
        viewer.setURL(url);
        viewer.show();
        viewer.Play();
    }
    MjpegViewer viewer;
};

} // namespace

class TestMjpegViewer : public QObject {
    Q_OBJECT
private slots:
    void showsTheFrames_data() {
        QTest::addColumn<bool>("contentLength");
        QTest::addColumn<bool>("extraLineEnds");
        QTest::addColumn<QByteArray>("user");
        QTest::newRow("Content-Length") << true << false << QByteArray();
        QTest::newRow("no Content-Length, extra line ends") << false << true << QByteArray();
        QTest::newRow("basic authentication from the address") << true << false << QByteArray("viewer");
    }
    void showsTheFrames() {
        QFETCH(bool, contentLength);
        QFETCH(bool, extraLineEnds);
        QFETCH(QByteArray, user);
        MjpegServer::Options o;
        o.contentLength = contentLength;
        o.extraLineEnds = extraLineEnds;
        o.user = user;
        o.password = "s3cret";
        MjpegServer server(o);
        server.setColour(QStringLiteral("/video"), QColor(0, 160, 0));
        Viewing v(server.url());
        QTRY_VERIFY(v.viewer.framesShown() >= 2);
        QVERIFY(v.viewer.hasSignal());
        QVERIFY(near(centre(v.viewer), QColor(0, 160, 0)));
    }

    // Without the password the camera refuses; the viewer shows no signal and keeps calling.
    void refusedLoginShowsNoSignal() {
        MjpegServer::Options o;
        o.user = "viewer";
        o.password = "s3cret";
        MjpegServer server(o);
        Viewing v(server.url(QStringLiteral("/video"), false));
        QSignalSpy lost(&v.viewer, &MjpegViewer::signalLost);
        QTRY_VERIFY(lost.count() >= 1);
        QCOMPARE(v.viewer.framesShown(), 0u);
        QVERIFY(!v.viewer.hasSignal());
    }

    // The camera cuts the stream in the middle of a frame: "no signal" over the last frame, then the
    // viewer calls again by itself and shows what the camera sends now.
    void survivesACutMidFrameAndReconnects() {
        MjpegServer server;
        server.setColour(QStringLiteral("/video"), Qt::red);
        Viewing v(server.url());
        QTRY_VERIFY(v.viewer.framesShown() >= 1);
        QSignalSpy lost(&v.viewer, &MjpegViewer::signalLost);
        server.setColour(QStringLiteral("/video"), Qt::blue);
        server.cutMidFrame();
        QTRY_COMPARE(lost.count(), 1);
        QVERIFY(!v.viewer.hasSignal());
        QTRY_VERIFY_WITH_TIMEOUT(v.viewer.hasSignal(), LONG_WAIT_MS);
        QTRY_VERIFY(near(centre(v.viewer), Qt::blue));
        QCOMPARE(server.streamsServed(), 2);
    }

    // A camera switched off: its last frame stays, dimmed under "no signal"; switched on again, it is
    // back without anyone asking.
    void cameraAwayAndBack() {
        MjpegServer server;
        server.setColour(QStringLiteral("/video"), QColor(240, 240, 240));
        Viewing v(server.url());
        QTRY_VERIFY(v.viewer.framesShown() >= 1);
        QTRY_VERIFY(near(centre(v.viewer), QColor(240, 240, 240)));
        server.stop();
        QTRY_VERIFY(!v.viewer.hasSignal());
        // Away from the words in the middle.
        const QColor dimmed = v.viewer.grab().toImage().pixelColor(10, 10);
        QVERIFY(dimmed.lightness() < 200 && dimmed.lightness() > 60);
        QVERIFY(server.resume());
        QTRY_VERIFY_WITH_TIMEOUT(v.viewer.hasSignal(), LONG_WAIT_MS);
        QTRY_VERIFY(near(centre(v.viewer), QColor(240, 240, 240)));
    }

    // Stop ends the stream; a hidden viewer receives but does not decode.
    void stopAndHidden() {
        MjpegServer server;
        Viewing v(server.url());
        QTRY_VERIFY(v.viewer.framesShown() >= 1);
        v.viewer.Stop();
        QVERIFY(!v.viewer.playing());
        QTRY_COMPARE(server.openStreams(), 0);

        v.viewer.hide();
        const quint64 before = v.viewer.framesShown();
        v.viewer.Play();
        QTRY_VERIFY(v.viewer.hasSignal());
        QTest::qWait(300);
        QCOMPARE(v.viewer.framesShown(), before);
    }
};

QTEST_MAIN(TestMjpegViewer)
#include "tst_mjpegviewer.moc"
