// The camera window as the operator uses it, against local Motion JPEG cameras. Pings go to
// 127.0.0.1 only; a camera that does not answer is a pinger told to stay silent for its host.
#include "UF_Camera_Control.h"
#include "UF_New_Camera.h"
#include "Variables.h"
#include "avisos.h"
#include "consolefixture.h"
#include "mjpegserver.h"
#include "mjpegviewer.h"

#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTreeWidget>

using namespace kestrum;
using kestrum::test::ConsoleFixture;
using kestrum::test::MjpegServer;

namespace {

// Answers at once from the event loop: an echo, except for the hosts told otherwise.
class FakePinger : public cameras::Pinger {
public:
    QHash<QString, cameras::PingReply> replies;
    QStringList asked;
    void ping(const QString& host, QObject* context,
              std::function<void(const cameras::PingReply&)> done) override {
        asked << host;
        const cameras::PingReply reply =
            replies.value(host, cameras::PingReply{cameras::PingReply::Echo, {}, false});
        QTimer::singleShot(0, context, [done, reply] { done(reply); });
    }
};

const cameras::PingReply SILENT{cameras::PingReply::TimedOut, {}, false};

QColor centre(QWidget* w) {
    const QImage shot = w->grab().toImage();
    return shot.pixelColor(shot.width() / 2, shot.height() / 2);
}

bool near(const QColor& a, const QColor& b) {
    return qAbs(a.red() - b.red()) < 24 && qAbs(a.green() - b.green()) < 24 && qAbs(a.blue() - b.blue()) < 24;
}

QStringList nodes(QTreeWidget* tree) {
    QStringList out;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        out << tree->topLevelItem(i)->text(0);
    return out;
}

struct Cameras {
    ConsoleFixture f;
    MjpegServer server;
    std::shared_ptr<FakePinger> pinger = std::make_shared<FakePinger>();

    // The settings file's cameras: number, description, and address (a path: of the local camera).
    explicit Cameras(const QList<std::tuple<int, QString, QString>>& cameras) {
        QByteArray settings = f.root.read(QStringLiteral("KESTRUM20.INI"));
        for (const auto& [n, description, address] : cameras) {
            const QString url = address.startsWith(QLatin1Char('/')) ? server.url(address) : address;
            settings +=
                QStringLiteral("[%1]\ncamara_desc=%2\ncamara_MAC=%3\n").arg(n).arg(description, url).toUtf8();
        }
        f.root.write(QStringLiteral("KESTRUM20.INI"), settings);
        f.start();
        window().setPinger(pinger);
    }
    ui::F_Camera_Control& window() { return *f.w->cameraControl; }
    void open() { f.main().findChild<QToolButton*>(QStringLiteral("Image6"))->click(); }
    QString path(int n) const { return QStringLiteral("/cam%1").arg(n); }
};

} // namespace

class TestCamaras : public QObject {
    Q_OBJECT
private slots:
    // The tool opens the window beside the main window, on top; the lock hides it and the unlock
    // brings it back as it was.
    void opensOnTopAndFollowsTheLock() {
        Cameras c({});
        c.open();
        ui::F_Camera_Control& w = c.window();
        QVERIFY(w.isVisible());
        QVERIFY(!w.isModal());
        QVERIFY(w.windowFlags() & Qt::WindowStaysOnTopHint);
        c.f.main().B_LoginClick();
        QVERIFY(!w.isVisible());
        c.f.main().Desbloquea();
        QVERIFY(w.isVisible());
    }

    // Cameras 2 and 4: two nodes; in the grid, cells 0 and 1 show them with their captions and cells
    // 2 and 3 are hidden. Closing stops every viewer.
    void gridInNumberOrderAndCloseStops() {
        Cameras c({{2, QStringLiteral("Gate"), QStringLiteral("/cam2")},
                   {4, QStringLiteral("Yard"), QStringLiteral("/cam4")}});
        c.server.setColour(c.path(2), QColor(0, 160, 0));
        c.server.setColour(c.path(4), QColor(0, 0, 200));
        c.open();
        ui::F_Camera_Control& w = c.window();
        QCOMPARE(nodes(w.Arbol1()), (QStringList{QStringLiteral("2 Gate"), QStringLiteral("4 Yard")}));
        QTRY_VERIFY(w.AXIS(2)->playing() && w.AXIS(4)->playing());

        w.SpeedButton4()->click();
        QVERIFY(w.Panel4()->isVisible());
        QVERIFY(!w.Panel3()->isVisible());
        QVERIFY(!w.AXIS(2)->playing());
        QVERIFY(w.L_CAM(5)->text().startsWith(QLatin1String("2 ")));
        QVERIFY(w.L_CAM(6)->text().startsWith(QLatin1String("4 ")));
        QVERIFY(w.AXIS(7)->isHidden() && w.AXIS(8)->isHidden());
        QTRY_VERIFY(near(centre(w.AXIS(5)), QColor(0, 160, 0)));
        QTRY_VERIFY(near(centre(w.AXIS(6)), QColor(0, 0, 200)));

        w.close();
        for (int n = 1; n <= ui::F_Camera_Control::VISORES; ++n)
            QVERIFY(!w.AXIS(n)->playing());
        QTRY_COMPARE(c.server.openStreams(), 0);
    }

    // A camera that does not answer its ping is hidden when the window shows, and when its node is
    // chosen; the others start.
    void silentCameraHiddenOthersStart() {
        Cameras c({{1, QStringLiteral("Off"), QStringLiteral("http://127.0.0.2/axis-cgi/mjpg/video.cgi")},
                   {3, QStringLiteral("On"), QStringLiteral("/cam3")}});
        c.pinger->replies[QStringLiteral("127.0.0.2")] = SILENT;
        c.open();
        ui::F_Camera_Control& w = c.window();
        QTRY_VERIFY(w.AXIS(3)->playing());
        QVERIFY(w.AXIS(1)->isHidden());
        QVERIFY(!w.AXIS(1)->playing());
        QVERIFY(w.L_Aviso()->text().contains(QLatin1String("127.0.0.2")));
        QCOMPARE(c.pinger->asked, (QStringList{QStringLiteral("127.0.0.2"), QStringLiteral("127.0.0.1")}));

        w.Arbol1Change(w.Arbol1()->topLevelItem(0));
        QTRY_COMPARE(c.pinger->asked.size(), 3);
        QTest::qWait(50);
        QVERIFY(w.AXIS(1)->isHidden());
        QVERIFY(!w.AXIS(3)->playing()); // choosing a node stops the single view's others

        w.Arbol1Change(w.Arbol1()->topLevelItem(1));
        QTRY_VERIFY(w.AXIS(3)->playing());
        QTRY_VERIFY(w.AXIS(3)->framesShown() > 0);
    }

    // A reply that a later choice overtook starts nothing.
    void lateReplyIgnored() {
        Cameras c({{1, QStringLiteral("A"), QStringLiteral("/cam1")},
                   {2, QStringLiteral("B"), QStringLiteral("/cam2")}});
        c.open();
        ui::F_Camera_Control& w = c.window();
        w.Arbol1Change(w.Arbol1()->topLevelItem(1)); // before the window's own pings answered
        QTRY_VERIFY(w.AXIS(2)->playing());
        QTest::qWait(50);
        QVERIFY(!w.AXIS(1)->playing());
    }

    // In the single view the first camera is in front; one behind it streams but is not decoded.
    void onlyTheFrontCameraIsDecoded() {
        Cameras c({{1, QStringLiteral("A"), QStringLiteral("/cam1")},
                   {2, QStringLiteral("B"), QStringLiteral("/cam2")}});
        c.open();
        ui::F_Camera_Control& w = c.window();
        QTRY_VERIFY(w.AXIS(1)->framesShown() >= 2);
        QTRY_VERIFY(w.AXIS(2)->hasSignal());
        QCOMPARE(w.AXIS(2)->framesShown(), 0u);
    }

    // "New": OK waits for the address to answer, a change of it asks again; an existing number is
    // refused with the dialog's fields kept, and the camera is stored with the address as edited.
    void newCameraAnsweringAndNeverOverwriting() {
        Cameras c({{3, QStringLiteral("Old"), QStringLiteral("http://10.9.9.9/old")}});
        c.window().setPinger(std::make_shared<cameras::IcmpPinger>());
        c.open();
        ui::F_Camera_Control& w = c.window();
        const QString video = c.server.url(c.path(1));
        bool answered = false;
        c.f.answerNextDialog([&](QWidget* d) {
            auto* dialog = static_cast<ui::F_New_Camera*>(d);
            QVERIFY(!dialog->Button2()->isEnabled());
            dialog->Edit1()->setText(QStringLiteral("3"));
            dialog->Edit2()->setText(QStringLiteral("Door"));
            QTest::keyClicks(dialog->Edit3(), QStringLiteral("127.0.0.1"));
            QCOMPARE(dialog->E_Video()->text(),
                     ui::F_New_Camera::direccionVideo(QStringLiteral("127.0.0.1")));
            QTest::keyClick(dialog->Edit3(), Qt::Key_Return);
            QTRY_VERIFY_WITH_TIMEOUT(dialog->Button2()->isEnabled(), 6000);
            dialog->Button2()->click();
            QVERIFY(dialog->isVisible());
            QVERIFY(dialog->L_Aviso()->text().contains(QLatin1String("3")));
            QCOMPARE(dialog->Edit2()->text(), QStringLiteral("Door"));
            dialog->Edit1()->setText(QStringLiteral("1"));
            dialog->E_Video()->setText(video);
            QTest::keyClick(dialog->Edit3(), Qt::Key_Backspace);
            QVERIFY(!dialog->Button2()->isEnabled());
            QTest::keyClick(dialog->Edit3(), Qt::Key_1);
            dialog->Compruebar();
            QTRY_VERIFY_WITH_TIMEOUT(dialog->Button2()->isEnabled(), 6000);
            dialog->Button2()->click();
            answered = true;
        });
        w.SpeedButton1()->click();
        QVERIFY(answered);
        const auto old = config::Variables::Lee_Camara(QStringLiteral("3"));
        QCOMPARE(old->description, QStringLiteral("Old"));
        QCOMPARE(old->address, QStringLiteral("http://10.9.9.9/old"));
        const auto added = config::Variables::Lee_Camara(QStringLiteral("1"));
        QVERIFY(added);
        QCOMPARE(added->description, QStringLiteral("Door"));
        QCOMPARE(added->address, video);
        QCOMPARE(nodes(w.Arbol1()), (QStringList{QStringLiteral("1 Door"), QStringLiteral("3 Old")}));

        // The new camera is chosen and plays.
        QCOMPARE(w.Arbol1()->currentItem(), w.Arbol1()->topLevelItem(0));
        QTRY_VERIFY(near(centre(w.AXIS(1)), c.server.colour(c.path(1))));
    }

    // What the dialog says for each reply; a system that forbids ping lets the camera in unchecked.
    void newCameraReplies_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("forbidden");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("key");
        QTest::newRow("echo") << int(cameras::PingReply::Echo) << false << true << "KS_Cam_Answered";
        QTest::newRow("time-out") << int(cameras::PingReply::TimedOut) << false << false
                                  << "KS_Cam_No_answer";
        QTest::newRow("unreachable") << int(cameras::PingReply::Unreachable) << false << false
                                     << "KS_Cam_No_answer";
        QTest::newRow("forbidden") << int(cameras::PingReply::Error) << true << true
                                   << "KS_Cam_Ping_forbidden_new";
    }
    void newCameraReplies() {
        QFETCH(int, status);
        QFETCH(bool, forbidden);
        QFETCH(bool, enabled);
        QFETCH(QString, key);
        Cameras c({});
        c.pinger->replies[QStringLiteral("127.0.0.1")] = cameras::PingReply{
            static_cast<cameras::PingReply::Status>(status), QStringLiteral("why"), forbidden};
        ui::F_New_Camera& d = *c.f.w->newCamera;
        d.show();
        d.Edit3()->setText(QStringLiteral("127.0.0.1"));
        d.Compruebar();
        QTRY_VERIFY(!d.L_Aviso()->text().contains(QLatin1String("127.0.0.1...")));
        QCOMPARE(d.Button2()->isEnabled(), enabled);
        const QString expected = ui::textoAviso(key).section(QLatin1Char('%'), 0, 0);
        QVERIFY2(d.L_Aviso()->text().startsWith(expected), qPrintable(d.L_Aviso()->text()));
        d.reject();
    }

    // "Delete" removes the chosen camera; the role "USER" is offered neither "New" nor "Delete".
    void deleteAndUserRole() {
        Cameras c({{2, QStringLiteral("Gate"), QStringLiteral("http://127.0.0.1:9/x")}});
        c.open();
        ui::F_Camera_Control& w = c.window();
        QVERIFY(w.SpeedButton1()->isEnabled() && w.SpeedButton2()->isEnabled());
        w.Arbol1()->setCurrentItem(w.Arbol1()->topLevelItem(0));
        w.SpeedButton2()->click();
        QVERIFY(!config::Variables::Lee_Camara(QStringLiteral("2")));
        QCOMPARE(w.Arbol1()->topLevelItemCount(), 0);

        c.f.main().Determina_Interfaz(QStringLiteral("USER"));
        QVERIFY(!w.SpeedButton1()->isEnabled());
        QVERIFY(!w.SpeedButton2()->isEnabled());
    }
};

QTEST_MAIN(TestCamaras)
#include "tst_camaras.moc"
