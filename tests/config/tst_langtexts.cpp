// The one mechanism that puts a window's language texts on its controls.
#include "Lang.h"
#include "Variables.h"
#include "dataroot.h"
#include "langtexts.h"
#include "tempdataroot.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <functional>
#include <memory>

using namespace kestrum::ui;
using kestrum::test::TempDataRoot;

namespace {

const QString Missing = QStringLiteral("\u00BF?");

// A window with one control of each kind the mechanism serves.
class TestWindow : public QWidget {
public:
    TestWindow() {
        setObjectName("F_Test");
        auto* layout = new QVBoxLayout(this);
        for (const char* name : {"Label1", "Label2", "Label3"})
            layout->addWidget(named<QLabel>(name));
        for (const char* name : {"B_Aceptar", "B_edit_usr", "SpeedButton2"})
            layout->addWidget(named<QPushButton>(name));
        auto* group = named<QGroupBox>("xpGroupBox1");
        (new QVBoxLayout(group))->addWidget(named<QCheckBox>("CH1"));
        layout->addWidget(group);
        auto* tabs = named<QTabWidget>("PageControl1");
        tabs->addTab(named<QWidget>("TabSheet1"), "one");
        tabs->addTab(named<QWidget>("TabSheet2"), "two");
        layout->addWidget(tabs);

        auto* tree = named<QTreeWidget>("Lista1");
        tree->setColumnCount(3);
        auto* a = new QTreeWidgetItem(tree, QStringList{"a"});
        new QTreeWidgetItem(a, QStringList{"a.1"});
        new QTreeWidgetItem(tree, QStringList{"b"});
        layout->addWidget(tree);
        auto* table = named<QTableWidget>("Lista3");
        table->setColumnCount(2);
        layout->addWidget(table);
        auto* view = named<QTableView>("Lista4");
        view->setModel(new QStandardItemModel(0, 2, view));
        layout->addWidget(view);

        auto* languages = named<QComboBox>("C_Idioma");
        languages->addItems({"ENGLISH", "ESPA\u00D1OL"});
        layout->addWidget(languages);
        auto* roles = named<QComboBox>("C_Nivel");
        roles->addItem("kept");
        layout->addWidget(roles);
        layout->addWidget(named<QLineEdit>("Edit1"));
        auto* action = new QAction(this);
        action->setObjectName("Edit3");
        addAction(action);
    }

    template <class W> W* child(const char* name) const { return findChild<W*>(name); }

private:
    template <class W> W* named(const char* name) {
        auto* w = new W;
        w->setObjectName(name);
        return w;
    }
};

using Shown = std::function<QString(const TestWindow&)>;

const QByteArray LangFile = "[ENGLISH]\n"
                            "F_Test_Caption=Test window\n"
                            "F_Test_Label1_Caption=First label\n"
                            "F_TEST_LABEL3_CAPTION=Third label\n"
                            "F_Test_B_Aceptar_Caption=Accept\n"
                            "F_Test_CH1_Caption=Tick\n"
                            "F_Test_xpGroupBox1_Caption=Group\n"
                            "F_Test_PageControl1_TabSheet2_Caption=Second tab\n"
                            "F_Test_Edit3_Caption=Edit holder\n"
                            "F_Test_C_Idioma_Text=ESPA\u00D1OL\n"
                            "F_Test_Edit1_Hint=Type the name\n"
                            "F_Test_Lista1_Columns2_Caption=Third column\n"
                            "F_Test_Lista_Colums0_caption=Irregular\n"
                            "F_Test_Lista3_Columns1_Caption=Table column\n"
                            "F_Test_Lista4_Columns0_Caption=Model column\n"
                            "F_Test_Lista1_Items1_Text=Child node\n"
                            "F_Test_Save_INC_Title=Save the events\n"
                            "F_Test_SpeedButton2_Caption=Edit\n"
                            "F_Test_C_Nivel_Items0_Text=ADMINISTRATOR\n"
                            "F_Test_C_Nivel_Items1_Text=USER\n"
                            "F_Other_Close1_Caption=Close\n";

} // namespace

Q_DECLARE_METATYPE(Shown)
Q_DECLARE_METATYPE(kestrum::ui::LangEntry)

class TestLangTexts : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { root_.reset(); }
    void setsEachKind_data();
    void setsEachKind();
    void comboEntriesAreAppended();
    void missingControlsAreSkipped();

private:
    std::unique_ptr<TempDataRoot> root_;
};

void TestLangTexts::init() {
    root_ = std::make_unique<TempDataRoot>();
    root_->write("Kestrum20_Lang.ini", LangFile);
    kestrum::config::Lang::instance().open();
    kestrum::config::Variables::instance().language = "ENGLISH";
}

void TestLangTexts::setsEachKind_data() {
    QTest::addColumn<LangTable>("table");
    QTest::addColumn<Shown>("shown");
    QTest::addColumn<QString>("expected");
    using namespace kestrum::ui::lang;

    QTest::newRow("window title") << LangTable{title()} << Shown([](auto& w) { return w.windowTitle(); })
                                  << "Test window";
    QTest::newRow("label") << LangTable{caption("Label1")}
                           << Shown([](auto& w) { return w.template child<QLabel>("Label1")->text(); })
                           << "First label";
    QTest::newRow("key with other capitals in the file")
        << LangTable{caption("Label3")}
        << Shown([](auto& w) { return w.template child<QLabel>("Label3")->text(); }) << "Third label";
    QTest::newRow("missing key") << LangTable{caption("Label2")}
                                 << Shown([](auto& w) { return w.template child<QLabel>("Label2")->text(); })
                                 << Missing;
    QTest::newRow("button") << LangTable{caption("B_Aceptar")} << Shown([](auto& w) {
        return w.template child<QPushButton>("B_Aceptar")->text();
    }) << "Accept";
    QTest::newRow("check box in a group")
        << LangTable{caption("CH1")}
        << Shown([](auto& w) { return w.template child<QCheckBox>("CH1")->text(); }) << "Tick";
    QTest::newRow("group box") << LangTable{caption("xpGroupBox1")} << Shown([](auto& w) {
        return w.template child<QGroupBox>("xpGroupBox1")->title();
    }) << "Group";
    QTest::newRow("tab by its page")
        << LangTable{caption("TabSheet2").withKey("PageControl1_TabSheet2_Caption")}
        << Shown([](auto& w) { return w.template child<QTabWidget>("PageControl1")->tabText(1); })
        << "Second tab";
    QTest::newRow("action") << LangTable{caption("Edit3")}
                            << Shown([](auto& w) { return w.template child<QAction>("Edit3")->text(); })
                            << "Edit holder";
    QTest::newRow("combo text") << LangTable{text("C_Idioma")} << Shown([](auto& w) {
        return w.template child<QComboBox>("C_Idioma")->currentText();
    }) << "ESPA\u00D1OL";
    QTest::newRow("hint") << LangTable{hint("Edit1")}
                          << Shown([](auto& w) { return w.template child<QLineEdit>("Edit1")->toolTip(); })
                          << "Type the name";
    QTest::newRow("tree column") << LangTable{column("Lista1", 2)} << Shown([](auto& w) {
        return w.template child<QTreeWidget>("Lista1")->headerItem()->text(2);
    }) << "Third column";
    QTest::newRow("irregular column key")
        << LangTable{column("Lista1", 0).withKey("Lista_Colums0_caption")}
        << Shown([](auto& w) { return w.template child<QTreeWidget>("Lista1")->headerItem()->text(0); })
        << "Irregular";
    QTest::newRow("table column") << LangTable{column("Lista3", 1)} << Shown([](auto& w) {
        return w.template child<QTableWidget>("Lista3")->model()->headerData(1, Qt::Horizontal).toString();
    }) << "Table column";
    QTest::newRow("model column") << LangTable{column("Lista4", 0)} << Shown([](auto& w) {
        return w.template child<QTableView>("Lista4")->model()->headerData(0, Qt::Horizontal).toString();
    }) << "Model column";
    QTest::newRow("tree node in pre-order") << LangTable{item("Lista1", 1)} << Shown([](auto& w) {
        return w.template child<QTreeWidget>("Lista1")->topLevelItem(0)->child(0)->text(0);
    }) << "Child node";
    QTest::newRow("file dialog title")
        << LangTable{dialogTitle("Save_INC")}
        << Shown([](auto& w) { return kestrum::ui::dialogTitle(&w, "Save_INC"); }) << "Save the events";
    QTest::newRow("title from another window's key")
        << LangTable{title().withWholeKey("F_Other_Close1_Caption")}
        << Shown([](auto& w) { return w.windowTitle(); }) << "Close";
    QTest::newRow("read in table order")
        << LangTable{caption("Label1").withKey("B_Aceptar_Caption"), caption("Label1")}
        << Shown([](auto& w) { return w.template child<QLabel>("Label1")->text(); }) << "First label";
    QTest::newRow("one key, two controls: first")
        << LangTable{caption("B_edit_usr").withKey("SpeedButton2_Caption"), caption("SpeedButton2")}
        << Shown([](auto& w) { return w.template child<QPushButton>("B_edit_usr")->text(); }) << "Edit";
    QTest::newRow("one key, two controls: second")
        << LangTable{caption("B_edit_usr").withKey("SpeedButton2_Caption"), caption("SpeedButton2")}
        << Shown([](auto& w) { return w.template child<QPushButton>("SpeedButton2")->text(); }) << "Edit";
}

void TestLangTexts::setsEachKind() {
    QFETCH(LangTable, table);
    QFETCH(Shown, shown);
    TestWindow window;
    applyLangTexts(&window, "F_Test", table);
    QTEST(shown(window), "expected");
}

void TestLangTexts::comboEntriesAreAppended() {
    TestWindow window;
    applyLangTexts(&window, "F_Test", {lang::item("C_Nivel", 0), lang::item("C_Nivel", 1)});
    auto* roles = window.child<QComboBox>("C_Nivel");
    QCOMPARE(roles->count(), 3);
    QCOMPARE(roles->itemText(0), QStringLiteral("kept"));
    QCOMPARE(roles->itemText(1), QStringLiteral("ADMINISTRATOR"));
    QCOMPARE(roles->itemText(2), QStringLiteral("USER"));
}

void TestLangTexts::missingControlsAreSkipped() {
    TestWindow window;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("has no control .*Nope"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot show .*Lista1_Columns9_Caption"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot show .*Lista1_Items9_Text"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot show .*Edit1_Caption"));
    applyLangTexts(&window, "F_Test",
                   {lang::caption("Nope"), lang::column("Lista1", 9), lang::item("Lista1", 9),
                    lang::caption("Edit1"), lang::caption("Label1")});
    QCOMPARE(window.child<QLabel>("Label1")->text(), QStringLiteral("First label"));
    QCOMPARE(window.child<QTreeWidget>("Lista1")->columnCount(), 3);
}

QTEST_MAIN(TestLangTexts)
#include "tst_langtexts.moc"
