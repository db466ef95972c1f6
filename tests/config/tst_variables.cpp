// The settings file KESTRUM20.INI and the program-wide values.
#include "Lang.h"
#include "Variables.h"
#include "dataroot.h"
#include "inifile.h"
#include "kerror.h"
#include "portmap.h"
#include "tempdataroot.h"

#include <QDir>
#include <QTest>
#include <memory>

using namespace kestrum::config;
using kestrum::test::TempDataRoot;

namespace {
const QString Ini = QStringLiteral("KESTRUM20.INI");
const QString Missing = QStringLiteral("\u00BF?");
QString notInteger(const char* text) {
    return QStringLiteral("'%1' is not a valid integer value").arg(QString::fromUtf8(text));
}
QStringList lines(const QByteArray& text) {
    return QString::fromUtf8(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}
} // namespace

class TestVariables : public QObject {
    Q_OBJECT
private slots:
    void init() { root_ = std::make_unique<TempDataRoot>(); }
    void cleanup() { root_.reset(); }
    void reads_data();
    void reads();
    void savesEveryKeyInOrder();
    void saveKeepsTheRestOfTheFile();
    void unreadableFile();
    void lastInstallationInFile();
    void cameras();
    void serialAndDatabase();

private:
    std::unique_ptr<TempDataRoot> root_;
};

void TestVariables::reads_data() {
    QTest::addColumn<QByteArray>("file"); // null: no file
    QTest::addColumn<QString>("language");
    QTest::addColumn<bool>("test");
    QTest::addColumn<bool>("release");
    QTest::addColumn<int>("cleanup");
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("reader");
    QTest::addColumn<bool>("inUse");
    QTest::addColumn<int>("number");
    QTest::addColumn<QStringList>("errors");

    QTest::newRow("no file") << QByteArray() << Missing << true << true << 0 << "0"
                             << "" << false << 0 << QStringList();
    QTest::newRow("all keys") << QByteArray("[General]\nIdioma=ENGLISH\nTestear_cx=false\nLiberar_tarj=true\n"
                                            "El_inc=3\nLAST_INSTALLATION=12\nUSA_LECTOR=4\n")
                              << "ENGLISH" << false << true << 3 << "12"
                              << "4" << true << 4 << QStringList();
    QTest::newRow("TRUE and True") << QByteArray("[General]\nTestear_cx=TRUE\nLiberar_tarj=True\n") << Missing
                                   << true << true << 0 << "0"
                                   << "" << false << 0 << QStringList();
    QTest::newRow("yes is false") << QByteArray("[General]\nTestear_cx=yes\nLiberar_tarj=1\n") << Missing
                                  << false << false << 0 << "0"
                                  << "" << false << 0 << QStringList();
    QTest::newRow("El_inc first character")
        << QByteArray("[General]\nEl_inc=27\n") << Missing << true << true << 2 << "0"
        << "" << false << 0 << QStringList();
    QTest::newRow("El_inc empty") << QByteArray("[General]\nEl_inc=\n") << Missing << true << true << 0 << "0"
                                  << "" << false << 0 << QStringList();
    QTest::newRow("El_inc not a digit")
        << QByteArray("[General]\nEl_inc=x1\n") << Missing << true << true << 0 << "0"
        << "" << false << 0 << QStringList{notInteger("x")};
    QTest::newRow("USA_LECTOR empty")
        << QByteArray("[General]\nUSA_LECTOR=\n") << Missing << true << true << 0 << "0"
        << "" << false << 0 << QStringList();
    QTest::newRow("USA_LECTOR not a number")
        << QByteArray("[General]\nUSA_LECTOR=abc\n") << Missing << true << true << 0 << "0"
        << "" << false << 0 << QStringList{notInteger("abc")};
    QTest::newRow("both fail") << QByteArray("[General]\nEl_inc=-1\nUSA_LECTOR=2x\n") << Missing << true
                               << true << 0 << "0"
                               << "" << false << 0 << QStringList{notInteger("-"), notInteger("2x")};
    QTest::newRow("GENERAL with the installation only")
        << QByteArray("[GENERAL]\nLAST_INSTALLATION=3\n") << Missing << true << true << 0 << "3"
        << "" << false << 0 << QStringList();
    QTest::newRow("names in any case")
        << QByteArray("[gEnErAl]\nidioma=ESPA\xC3\x91OL\nTESTEAR_CX=False\nel_INC=1\nusa_lector=7\n")
        << "ESPA\u00D1OL" << false << true << 1 << "0"
        << "7" << true << 7 << QStringList();
    QTest::newRow("Windows-1252") << QByteArray("[General]\r\nIdioma = ESPA\xD1OL \r\n") << "ESPA\u00D1OL"
                                  << true << true << 0 << "0"
                                  << "" << false << 0 << QStringList();
    QTest::newRow("empty language") << QByteArray("[General]\nIdioma=\n") << "" << true << true << 0 << "0"
                                    << "" << false << 0 << QStringList();
}

void TestVariables::reads() {
    QFETCH(QByteArray, file);
    if (!file.isNull())
        root_->write(Ini, file);

    Variables& v = Variables::instance();
    const QStringList errors = v.Lee_Configuracion();

    QTEST(errors, "errors");
    QTEST(v.language, "language");
    QTEST(v.testControllers, "test");
    QTEST(v.releaseExpiredCards, "release");
    QTEST(v.eventCleanup, "cleanup");
    QTEST(v.lastInstallation, "last");
    QTEST(v.desktopReader, "reader");
    QTEST(v.desktopReaderInUse, "inUse");
    QTEST(v.desktopReaderNumber, "number");
}

void TestVariables::savesEveryKeyInOrder() {
    Variables& v = Variables::instance();
    v.language = QStringLiteral("ESPA\u00D1OL");
    v.testControllers = false;
    v.releaseExpiredCards = true;
    v.eventCleanup = 3;
    v.lastInstallation = QStringLiteral("5");
    v.retryPending = false;
    v.Graba_Configuracion();

    QCOMPARE(lines(root_->read(Ini)), (QStringList{"[General]", "Testear_cx=false", "Liberar_tarj=true",
                                                   "El_inc=3", "Idioma=ESPA\u00D1OL", "LAST_INSTALLATION=5",
                                                   "USA_LECTOR=", "Reenviar_pendientes=false"}));

    Variables::reset();
    QVERIFY(v.Lee_Configuracion().isEmpty());
    QCOMPARE(v.language, QStringLiteral("ESPA\u00D1OL"));
    QCOMPARE(v.testControllers, false);
    QCOMPARE(v.releaseExpiredCards, true);
    QCOMPARE(v.eventCleanup, 3);
    QCOMPARE(v.lastInstallation, QStringLiteral("5"));
    QCOMPARE(v.retryPending, false);
    QCOMPARE(v.desktopReaderInUse, false);
}

void TestVariables::saveKeepsTheRestOfTheFile() {
    root_->write(Ini, "[GENERAL]\nEl_inc=27\nTestear_cx=TRUE\nUSA_LECTOR=abc\n"
                      "[Serial]\nCOM1=/dev/ttyUSB0\n[2]\ncamara_desc=Hall\ncamara_MAC=http://h/\n");
    Variables& v = Variables::instance();
    QCOMPARE(v.Lee_Configuracion().size(), 1);
    v.Graba_Configuracion();

    // Keys already in the file keep their place; the missing ones follow.
    QCOMPARE(lines(root_->read(Ini)),
             (QStringList{"[GENERAL]", "El_inc=2", "Testear_cx=true", "USA_LECTOR=", "Liberar_tarj=true",
                          "Idioma=\u00BF?", "LAST_INSTALLATION=0", "Reenviar_pendientes=true", "[Serial]",
                          "COM1=/dev/ttyUSB0", "[2]", "camara_desc=Hall", "camara_MAC=http://h/"}));
}

void TestVariables::unreadableFile() {
    QVERIFY(QDir().mkpath(root_->path(Ini)));
    Variables& v = Variables::instance();
    const QStringList errors = v.Lee_Configuracion();
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.front().contains(Ini), qPrintable(errors.front()));
    QCOMPARE(v.language, Missing);
    QCOMPARE(v.testControllers, true);
    QVERIFY_THROWS_EXCEPTION(kestrum::Error, v.Graba_Configuracion());
    QVERIFY_THROWS_EXCEPTION(kestrum::Error, Variables::Graba_Camara("1", "a", "b"));
}

void TestVariables::lastInstallationInFile() {
    QCOMPARE(Variables::lastInstallationInFile(), QStringLiteral("0"));
    root_->write(Ini, "[GENERAL]\nLAST_INSTALLATION=3\n");
    QCOMPARE(Variables::lastInstallationInFile(), QStringLiteral("3"));
    // Read from the file as it is now, not from the values loaded at start.
    Variables& v = Variables::instance();
    v.Lee_Configuracion();
    root_->write(Ini, "[general]\nlast_installation=8\n");
    QCOMPARE(Variables::lastInstallationInFile(), QStringLiteral("8"));
    QCOMPARE(v.lastInstallation, QStringLiteral("3"));
}

void TestVariables::cameras() {
    QVERIFY(!Variables::Lee_Camara("2"));
    Variables::Borra_Camara("2");
    QVERIFY(!QFile::exists(root_->path(Ini)));

    Variables::Graba_Camara("2", "Hall", "http://10.0.0.2/axis-cgi/mjpg/video.cgi");
    const QByteArray written = root_->read(Ini);
    QVERIFY(lines(written).contains("camara_desc=Hall"));
    QVERIFY(lines(written).contains("camara_MAC=http://10.0.0.2/axis-cgi/mjpg/video.cgi"));

    Variables::Graba_Camara("2", "Door", "http://10.0.0.9/axis-cgi/mjpg/video.cgi");
    QCOMPARE(root_->read(Ini), written);

    Variables::Graba_Camara("4", "Gate", "http://10.0.0.4/axis-cgi/mjpg/video.cgi");
    Variables::Borra_Camara("2");
    QVERIFY(!Variables::Lee_Camara("2"));
    Variables::Graba_Camara("2", "Door", "http://10.0.0.9/axis-cgi/mjpg/video.cgi");

    const auto two = Variables::Lee_Camara("2");
    QVERIFY(two);
    QCOMPARE(two->description, QStringLiteral("Door"));
    QCOMPARE(two->address, QStringLiteral("http://10.0.0.9/axis-cgi/mjpg/video.cgi"));
    QCOMPARE(Variables::Lee_Camara("4")->description, QStringLiteral("Gate"));
}

void TestVariables::serialAndDatabase() {
    using kestrum::link::PortMap;
    Variables& v = Variables::instance();
    v.Lee_Configuracion();
    QVERIFY(v.embeddedDatabase());
    QCOMPARE(v.databaseUser(), QStringLiteral("SYSDBA"));

    root_->write(Ini, "[Serial]\nCOM1=/dev/ttyUSB0\ncom12 = /dev/pts/7\nCOMX=/dev/null\nLPT1=/dev/lp0\n"
                      "[Database]\nHost=db.example\nUser=ops\nPassword=secret\n");
    v.Lee_Configuracion();
    QCOMPARE(v.serialDevice(1), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(v.serialDevice(12), QStringLiteral("/dev/pts/7"));
    QCOMPARE(v.serialDevice(2), QString());
    QVERIFY(!v.embeddedDatabase());
    QCOMPARE(v.databaseHost(), QStringLiteral("db.example"));
    QCOMPARE(v.databaseUser(), QStringLiteral("ops"));
    QCOMPARE(v.databasePassword(), QStringLiteral("secret"));

    // How the console hands the mapping to the link at start.
    PortMap::setResolver([](int port) { return Variables::instance().serialDevice(port); });
    QCOMPARE(PortMap::device("12"), QStringLiteral("/dev/pts/7"));
    QCOMPARE(PortMap::device("2"), QStringLiteral("/dev/ttyS1"));
    PortMap::setResolver({});
}

QTEST_GUILESS_MAIN(TestVariables)
#include "tst_variables.moc"
