// The INI layer under the settings and the language file.
#include "fulldisk.h"
#include "inifile.h"
#include "kerror.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using kestrum::config::IniFile;

namespace {
QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

class TestIniFile : public QObject {
    Q_OBJECT
private slots:
    void toUtf8_data();
    void toUtf8();
    void namesWithoutCase_data();
    void namesWithoutCase();
    void keepsFileOrder();
    void writeFailureRaises();
    void fullDiskKeepsThePreviousFile();

private:
    static IniFile parse(const QByteArray& bytes);
    QTemporaryDir dir_;
};

IniFile TestIniFile::parse(const QByteArray& bytes) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.ini"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    f.close();
    return IniFile(path);
}

void TestIniFile::toUtf8_data() {
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<QString>("text");
    QTest::newRow("ascii") << QByteArray("A=b") << QStringLiteral("A=b");
    QTest::newRow("utf-8 kept") << QByteArray("ESPA\xC3\x91OL") << QStringLiteral("ESPA\u00D1OL");
    QTest::newRow("1252 latin-1 range") << QByteArray("ESPA\xD1OL d\xED"
                                                      "a")
                                        << QStringLiteral("ESPA\u00D1OL d\u00EDa");
    QTest::newRow("1252 high table") << QByteArray("\x80 \x85 \x9F")
                                     << QStringLiteral("\u20AC \u2026 \u0178");
    QTest::newRow("1252 unassigned byte") << QByteArray("a\x81z") << QStringLiteral("a\u0081z");
    // One stray byte makes the whole file Windows-1252, including bytes that looked like UTF-8.
    QTest::newRow("mixed") << QByteArray("\xC3\xA9 \xE9") << QStringLiteral("\u00C3\u00A9 \u00E9");
}

void TestIniFile::toUtf8() {
    QFETCH(QByteArray, raw);
    QFETCH(QString, text);
    QCOMPARE(QString::fromUtf8(IniFile::toUtf8(raw)), text);
}

void TestIniFile::namesWithoutCase_data() {
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::newRow("as written") << QStringLiteral("ESPA\u00D1OL") << QStringLiteral("F_Main_Caption");
    QTest::newRow("lower case") << QStringLiteral("espa\u00F1ol") << QStringLiteral("f_main_caption");
    QTest::newRow("mixed case") << QStringLiteral("Espa\u00F1ol") << QStringLiteral("F_MAIN_CAPTION");
}

void TestIniFile::namesWithoutCase() {
    QFETCH(QString, section);
    QFETCH(QString, key);
    const IniFile ini = parse("[ESPA\xD1OL]\nF_Main_Caption=Centro\n[OTHER]\nF_Main_Caption=x\n");
    QVERIFY(ini.hasSection(section));
    QCOMPARE(ini.value(section, key), QStringLiteral("Centro"));
}

void TestIniFile::keepsFileOrder() {
    const QString path = dir_.filePath(QStringLiteral("order.ini"));
    IniFile ini = parse("; head\n[Zeta]\nb=1\na=2\n[alpha]\nk=v\n[Mid]\n");
    QCOMPARE(ini.sections(), (QStringList{"Zeta", "alpha", "Mid"}));
    QCOMPARE(ini.keys(QStringLiteral("zeta")), (QStringList{"b", "a"}));

    ini.setValue(QStringLiteral("ZETA"), QStringLiteral("new"), QStringLiteral("3"));
    ini.setValue(QStringLiteral("zeta"), QStringLiteral("B"), QStringLiteral("changed"));
    ini.setValue(QStringLiteral("Omega"), QStringLiteral("line"), QStringLiteral("one\ntwo"));
    QVERIFY(ini.removeSection(QStringLiteral("ALPHA")));
    QVERIFY(!ini.removeSection(QStringLiteral("alpha")));
    ini.save(path);

    QCOMPARE(
        QString::fromUtf8(readAll(path)).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
        (QStringList{"; head", "[Zeta]", "b=changed", "a=2", "new=3", "[Mid]", "[Omega]", "line=one two"}));

    // Saved every run: reading and saving again must not change a byte.
    const QString again = dir_.filePath(QStringLiteral("again.ini"));
    IniFile(path).save(again);
    QCOMPARE(readAll(again), readAll(path));
}

void TestIniFile::writeFailureRaises() {
    // A folder where the file should be: writing fails even for root.
    const QString path = dir_.filePath(QStringLiteral("taken.ini"));
    QVERIFY(QDir().mkpath(path));
    IniFile ini;
    ini.setValue(QStringLiteral("General"), QStringLiteral("a"), QStringLiteral("b"));
    try {
        ini.save(path);
        QFAIL("saving over a folder did not raise");
    } catch (const kestrum::Error& e) {
        QVERIFY2(e.message().startsWith(path + QStringLiteral(": ")), qPrintable(e.message()));
        QVERIFY(e.message().size() > path.size() + 2);
    }
    QVERIFY_THROWS_EXCEPTION(kestrum::Error, IniFile{path});
}

// Out of room, the settings file is neither emptied nor cut short, and the save raises.
void TestIniFile::fullDiskKeepsThePreviousFile() {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("root"));
    QVERIFY(QDir().mkpath(folder));
    kestrum::test::FullDisk disk(folder);
    const QString path = folder + QStringLiteral("/KESTRUM20.INI");
    IniFile ini;
    ini.setValue(QStringLiteral("General"), QStringLiteral("Idioma"), QStringLiteral("ENGLISH"));
    ini.save(path);
    const QByteArray before = readAll(path);

    ini.setValue(QStringLiteral("General"), QStringLiteral("Idioma"), QStringLiteral("ESPAÑOL"));
    disk.fill(8);
    QVERIFY_THROWS_EXCEPTION(kestrum::Error, ini.save(path));
    disk.release();
    QCOMPARE(readAll(path), before);
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("KESTRUM20.INI")});
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
