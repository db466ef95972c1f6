// The language texts, the first-run copy of the shipped file, and the shipped file itself.
#include "Lang.h"
#include "Variables.h"
#include "dataroot.h"
#include "inifile.h"
#include "tempdataroot.h"
#include "udorqcomunicador.h"

#include <QDir>
#include <QSet>
#include <QTest>
#include <memory>

using namespace kestrum::config;
using kestrum::test::TempDataRoot;

namespace {
const QString LangFile = QStringLiteral("Kestrum20_Lang.ini");
const QString Missing = QStringLiteral("\u00BF?");

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

class TestLang : public QObject {
    Q_OBJECT
private slots:
    void init() { root_ = std::make_unique<TempDataRoot>(); }
    void cleanup() { root_.reset(); }
    void text_data();
    void text();
    void longTextIsCut();
    void languagesInFileOrder();
    void unreadableFileGivesNoTexts();
    void firstRunCopiesTheShippedFile();
    void existingFileIsKept();
    void messagesAreFixedWhenLoaded();
    void shippedFileHasEveryKey_data();
    void shippedFileHasEveryKey();
    void consoleKeysFallBackToTheShippedFile();
    void consoleKeysInBothLanguages();

private:
    void openWith(const QByteArray& file) {
        root_->write(LangFile, file);
        Lang::instance().open();
    }
    std::unique_ptr<TempDataRoot> root_;
};

void TestLang::text_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QByteArray file = "[ENGLISH]\nF_Login_Caption=Login\nF_MAIN_CAPTION=Main\nPadded=  a b \t\nEmpty=\n"
                            "[ESPA\xC3\x91OL]\nF_Login_Caption=Acceso\n";
    QTest::newRow("found") << file << "ENGLISH"
                           << "F_Login_Caption"
                           << "Login";
    QTest::newRow("other language") << file << "ESPA\u00D1OL"
                                    << "F_Login_Caption"
                                    << "Acceso";
    QTest::newRow("missing key") << file << "ESPA\u00D1OL"
                                 << "F_MAIN_CAPTION" << Missing;
    QTest::newRow("capitals in the file") << file << "ENGLISH"
                                          << "F_Main_Caption"
                                          << "Main";
    QTest::newRow("language in other case") << file << "espa\u00F1ol"
                                            << "f_login_caption"
                                            << "Acceso";
    QTest::newRow("blanks removed") << file << "ENGLISH"
                                    << "Padded"
                                    << "a b";
    QTest::newRow("empty value") << file << "ENGLISH"
                                 << "Empty"
                                 << "";
    QTest::newRow("missing section") << file << "FRAN\u00C7AIS"
                                     << "F_Login_Caption" << Missing;
    QTest::newRow("no language chosen") << file << Missing << "F_Login_Caption" << Missing;
    QTest::newRow("Windows-1252") << QByteArray("[ESPA\xD1OL]\nL=D\xED"
                                                "a\n")
                                  << "ESPA\u00D1OL"
                                  << "L"
                                  << "D\u00EDa";
}

void TestLang::text() {
    QFETCH(QByteArray, file);
    QFETCH(QString, language);
    QFETCH(QString, key);
    openWith(file);
    Variables::instance().language = language;
    QTEST(Lang::instance().text(key), "expected");
}

void TestLang::longTextIsCut() {
    const QByteArray head = QByteArray(2046, 'a');
    openWith("[ENGLISH]\nLong=" + head + "bcdef\nShort=" + head + "b\n");
    Variables::instance().language = QStringLiteral("ENGLISH");
    QCOMPARE(Lang::instance().text("Long"), QString::fromLatin1(head + "b"));
    QCOMPARE(Lang::instance().text("Short"), QString::fromLatin1(head + "b"));
}

void TestLang::languagesInFileOrder() {
    openWith("; texts\n[ZULU]\na=1\n[ENGLISH]\n[ESPA\xC3\x91OL]\na=2\n");
    QCOMPARE(Lang::instance().languages(), (QStringList{"ZULU", "ENGLISH", "ESPA\u00D1OL"}));
    Lang::instance().close();
    QCOMPARE(Lang::instance().languages(), QStringList());
}

void TestLang::unreadableFileGivesNoTexts() {
    QVERIFY(QDir().mkpath(root_->path(LangFile)));
    Variables::instance().language = QStringLiteral("ENGLISH");
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("language file"));
    Lang::instance().open();
    QCOMPARE(Lang::instance().languages(), QStringList());
    QCOMPARE(Lang::instance().text("F_Login_Caption"), Missing);
}

void TestLang::firstRunCopiesTheShippedFile() {
    QVERIFY(!QFile::exists(root_->path(LangFile)));
    Lang::instance().open();
    const QByteArray shipped = readAll(QStringLiteral(KESTRUM_LANG_FILE));
    QVERIFY(!shipped.isEmpty());
    QCOMPARE(root_->read(LangFile), shipped);
    QCOMPARE(Lang::instance().languages(), (QStringList{"ENGLISH", "ESPA\u00D1OL"}));
}

void TestLang::existingFileIsKept() {
    const QByteArray own = "[KLINGON]\nF_Login_Caption=nuqneH\n";
    openWith(own);
    QCOMPARE(root_->read(LangFile), own);
    QCOMPARE(Lang::instance().languages(), QStringList{"KLINGON"});
}

void TestLang::messagesAreFixedWhenLoaded() {
    openWith("[ENGLISH]\nVariables_variables_F_Main_2=Done\npuerta_cerrada=Door closed\n"
             "[OTHER]\nVariables_variables_F_Main_2=Hecho\npuerta_cerrada=Puerta cerrada\n");
    Variables& v = Variables::instance();
    v.language = QStringLiteral("ENGLISH");
    Lang::instance().Carga_Mensajes();

    // How the console hands the state-code texts to the link at start.
    using kestrum::link::DORQComunicador;
    DORQComunicador::setTextLookup([](const QString& key) { return Lang::instance().mensaje(key); });

    v.language = QStringLiteral("OTHER");
    QCOMPARE(Lang::instance().mensaje("Variables_variables_F_Main_2"), QStringLiteral("Done"));
    QCOMPARE(Lang::instance().mensaje("Variables_variables_F_Main_3"), Missing);
    QCOMPARE(DORQComunicador::Texto_Estado(2), QStringLiteral("Door closed"));
    QCOMPARE(Lang::instance().text("Variables_variables_F_Main_2"), QStringLiteral("Hecho"));
    DORQComunicador::setTextLookup({});
}

void TestLang::shippedFileHasEveryKey_data() {
    QTest::addColumn<QString>("language");
    QTest::newRow("ENGLISH") << QStringLiteral("ENGLISH");
    QTest::newRow("ESPANOL") << QStringLiteral("ESPA\u00D1OL");
}

void TestLang::shippedFileHasEveryKey() {
    QFETCH(QString, language);
    const QStringList keys = QString::fromUtf8(readAll(QStringLiteral(KESTRUM_LANG_KEYS)))
                                 .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(keys.size(), 377);
    // The message table is part of the list.
    const QSet<QString> listed(keys.cbegin(), keys.cend());
    for (const QString& key : Lang::messageKeys())
        QVERIFY2(listed.contains(key), qPrintable(key));
    QCOMPARE(Lang::messageKeys().size(), 46);

    const IniFile shipped(QStringLiteral(KESTRUM_LANG_FILE));
    QStringList lacking;
    for (const QString& key : keys) {
        if (shipped.value(language, key.trimmed()).isEmpty())
            lacking << key;
    }
    QCOMPARE(lacking, QStringList());
}

// A data root's copy from before a key was added: the console's own keys come from the shipped
// file, the original keys keep the missing-text rule, and a copy's own value wins.
void TestLang::consoleKeysFallBackToTheShippedFile() {
    openWith("[ENGLISH]\nF_Login_Caption=Login\nKS_No_match=mine %1\n");
    Variables::instance().language = QStringLiteral("ENGLISH");
    const IniFile shipped(QStringLiteral(KESTRUM_LANG_FILE));
    const QString refused = shipped.value(QStringLiteral("ENGLISH"), QStringLiteral("KS_Login_refused"));
    QVERIFY(!refused.isEmpty());
    QCOMPARE(Lang::instance().text(QStringLiteral("KS_Login_refused")), refused);
    QCOMPARE(Lang::instance().text(QStringLiteral("KS_No_match")), QStringLiteral("mine %1"));
    QCOMPARE(Lang::instance().text(QStringLiteral("F_MAIN_CAPTION")), Missing);
    QCOMPARE(Lang::instance().text(QStringLiteral("KS_No_such_key")), Missing);
}

void TestLang::consoleKeysInBothLanguages() {
    const IniFile shipped(QStringLiteral(KESTRUM_LANG_FILE));
    const auto consoleKeys = [&](const QString& language) {
        QStringList keys;
        for (const QString& key : shipped.keys(language)) {
            if (Lang::isConsoleKey(key))
                keys << key;
        }
        keys.sort();
        return keys;
    };
    const QStringList english = consoleKeys(QStringLiteral("ENGLISH"));
    QVERIFY(!english.isEmpty());
    QCOMPARE(consoleKeys(QStringLiteral("ESPA\u00D1OL")), english);
}

QTEST_GUILESS_MAIN(TestLang)
#include "tst_lang.moc"
