// The language chooser shown at start while no language is chosen.
#include "F_Select_Lang.h"
#include "Lang.h"
#include "Variables.h"
#include "dataroot.h"
#include "tempdataroot.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace kestrum::config;
using kestrum::test::TempDataRoot;
using kestrum::ui::F_Select_Lang;

class TestSelectLang : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { root_.reset(); }
    void filledInFileOrder();
    void keys_data();
    void keys();
    void noLanguagesGivesEnglish_data();
    void noLanguagesGivesEnglish();
    void shownOnlyWithoutLanguage_data();
    void shownOnlyWithoutLanguage();

private:
    void openLanguages(const QByteArray& file) {
        root_->write("Kestrum20_Lang.ini", file);
        Lang::instance().open();
    }
    std::unique_ptr<TempDataRoot> root_;
};

void TestSelectLang::init() {
    root_ = std::make_unique<TempDataRoot>();
    // The texts of this language must not reach the dialog.
    openLanguages(
        "[ZULU]\nF_Select_Lang_Caption=zz\nF_Select_Lang_B_OK_Caption=zz\n[ENGLISH]\n[ESPA\xC3\x91OL]\n");
    Variables::instance().language = "ZULU";
}

void TestSelectLang::filledInFileOrder() {
    F_Select_Lang dialog;
    auto* chooser = dialog.findChild<QComboBox*>("C_Idioma");
    QVERIFY(chooser);
    QVERIFY(!chooser->isEditable());
    QCOMPARE(chooser->count(), 3);
    QCOMPARE(chooser->itemText(0), QStringLiteral("ZULU"));
    QCOMPARE(chooser->itemText(1), QStringLiteral("ENGLISH"));
    QCOMPARE(chooser->itemText(2), QStringLiteral("ESPA\u00D1OL"));
    QCOMPARE(chooser->currentText(), QStringLiteral("ZULU"));
    QCOMPARE(dialog.findChild<QPushButton*>("B_OK")->text(), QStringLiteral("OK"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Please select a language."));
}

void TestSelectLang::keys_data() {
    QTest::addColumn<bool>("inList"); // typed into the open list instead of the closed chooser
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("moves"); // Down arrows after the typing
    QTest::addColumn<int>("closing");
    QTest::addColumn<QString>("language");
    QTest::newRow("Enter") << false << "" << 0 << int(Qt::Key_Return) << "ZULU";
    QTest::newRow("keypad Enter") << false << "" << 0 << int(Qt::Key_Enter) << "ZULU";
    QTest::newRow("letters refused") << false << "Ees" << 0 << int(Qt::Key_Return) << "ZULU";
    QTest::newRow("letters refused in the list") << true << "Ees" << 0 << int(Qt::Key_Return) << "ZULU";
    QTest::newRow("arrows choose") << false << "e" << 2 << int(Qt::Key_Return) << "ESPA\u00D1OL";
    QTest::newRow("arrows choose in the list") << true << "" << 1 << int(Qt::Key_Return) << "ENGLISH";
    QTest::newRow("Escape closes too") << false << "E" << 0 << int(Qt::Key_Escape) << "ZULU";
}

void TestSelectLang::keys() {
    QFETCH(bool, inList);
    QFETCH(QString, typed);
    QFETCH(int, moves);
    QFETCH(int, closing);
    Variables::instance().language = "\u00BF?";

    F_Select_Lang dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* chooser = dialog.findChild<QComboBox*>("C_Idioma");
    QWidget* target = chooser;
    if (inList) {
        chooser->showPopup();
        target = chooser->view();
    }
    QTest::keyClicks(target, typed);
    const int position = inList ? chooser->view()->currentIndex().row() : chooser->currentIndex();
    QCOMPARE(position, 0);
    for (int i = 0; i < moves; ++i)
        QTest::keyClick(target, Qt::Key_Down);
    QVERIFY(dialog.isVisible());
    QTest::keyClick(target, Qt::Key(closing));
    QTRY_VERIFY(!dialog.isVisible());
    QTEST(Variables::instance().language, "language");
}

void TestSelectLang::noLanguagesGivesEnglish_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("no sections") << QByteArray("; nothing here\n");
    QTest::newRow("empty file") << QByteArray("");
}

void TestSelectLang::noLanguagesGivesEnglish() {
    QFETCH(QByteArray, file);
    openLanguages(file);
    F_Select_Lang dialog;
    QCOMPARE(dialog.findChild<QComboBox*>("C_Idioma")->count(), 0);
    QTest::mouseClick(dialog.findChild<QPushButton*>("B_OK"), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(Variables::instance().language, QStringLiteral("ENGLISH"));
}

void TestSelectLang::shownOnlyWithoutLanguage_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QString>("after");
    QTest::newRow("not chosen") << "\u00BF?" << true << "ZULU";
    QTest::newRow("empty") << "" << true << "ZULU";
    QTest::newRow("chosen") << "ESPA\u00D1OL" << false << "ESPA\u00D1OL";
}

void TestSelectLang::shownOnlyWithoutLanguage() {
    QFETCH(QString, before);
    Variables::instance().language = before;
    bool seen = false;
    QTimer::singleShot(0, this, [&seen] {
        if (auto* dialog = qobject_cast<F_Select_Lang*>(QApplication::activeModalWidget())) {
            seen = true;
            QTest::mouseClick(dialog->findChild<QPushButton*>("B_OK"), Qt::LeftButton);
        }
    });
    const bool ran = F_Select_Lang::chooseIfUnset();
    QTEST(ran, "shown");
    QCOMPARE(seen, ran);
    QTEST(Variables::instance().language, "after");
    QCoreApplication::processEvents();
}

QTEST_MAIN(TestSelectLang)
#include "tst_selectlang.moc"
