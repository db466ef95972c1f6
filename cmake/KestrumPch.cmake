# Precompiled headers, one shared set built once per kind of target and reused by every target of
# that kind: parsing Qt's headers is most of what compiling a file here costs.
#
# A host compiles each set with the flags of the targets that reuse it (the same Qt modules, so
# the same definitions); GCC silently parses the headers as text where a set does not fit.
option(KESTRUM_PCH "Use precompiled headers" ON)

# The sets, as system headers only: the generated header then reads the same in every clone, so
# the compiler cache serves one clone's precompiled headers, and what was compiled with them, to
# another.
set(KESTRUM_PCH_core
    <QByteArray> <QDateTime> <QDir> <QElapsedTimer> <QFile> <QFileInfo> <QHash> <QList>
    <QLoggingCategory> <QMap> <QObject> <QPointer> <QRegularExpression> <QScopeGuard> <QSet>
    <QString> <QStringList> <QTimer> <QVariant> <algorithm> <functional> <memory> <optional> <vector>)
set(KESTRUM_PCH_widgets ${KESTRUM_PCH_core}
    <QAbstractItemView> <QApplication> <QCheckBox> <QComboBox> <QDialog> <QGridLayout> <QGroupBox>
    <QHBoxLayout> <QHeaderView> <QKeyEvent> <QLabel> <QLineEdit> <QListWidget> <QMessageBox>
    <QPushButton> <QTabWidget> <QToolButton> <QTreeView> <QTreeWidget> <QVBoxLayout>)
set(KESTRUM_PCH_test_core ${KESTRUM_PCH_core} <QSignalSpy> <QTemporaryDir> <QTest>)
set(KESTRUM_PCH_test_widgets ${KESTRUM_PCH_widgets} <QSignalSpy> <QTemporaryDir> <QTest>)

function(kestrum_pch_host name kind)
    cmake_parse_arguments(H "EXECUTABLE" "" "LIBS" ${ARGN})
    if(H_EXECUTABLE)
        add_executable(${name} EXCLUDE_FROM_ALL ${PROJECT_SOURCE_DIR}/cmake/pch_host.cpp)
    else()
        add_library(${name} STATIC EXCLUDE_FROM_ALL ${PROJECT_SOURCE_DIR}/cmake/pch_host.cpp)
    endif()
    target_link_libraries(${name} PRIVATE ${H_LIBS})
    set_target_properties(${name} PROPERTIES AUTOMOC OFF)
    target_precompile_headers(${name} PRIVATE ${KESTRUM_PCH_${kind}})
endfunction()

# Qt Test defines each test's own build and source folder, which no shared header set can match
# and which would make every test's compile differ from one clone to the next; tests name their
# data folders by a definition of their own instead.
get_target_property(kestrum_qttest_defs Qt6::Test INTERFACE_COMPILE_DEFINITIONS)
list(FILTER kestrum_qttest_defs EXCLUDE REGEX "^QT_TESTCASE_")
set_target_properties(Qt6::Test PROPERTIES INTERFACE_COMPILE_DEFINITIONS "${kestrum_qttest_defs}")

if(KESTRUM_PCH)
    kestrum_pch_host(kestrum_pch_core core LIBS Qt6::Core)
    kestrum_pch_host(kestrum_pch_widgets widgets LIBS Qt6::Widgets)
    kestrum_pch_host(kestrum_pch_test_core test_core EXECUTABLE LIBS Qt6::Test Qt6::Gui Qt6::Network)
    kestrum_pch_host(kestrum_pch_test_widgets test_widgets EXECUTABLE LIBS Qt6::Test Qt6::Widgets Qt6::Network)
endif()

# kind: core (no widgets), widgets, test_core or test_widgets.
function(kestrum_pch target kind)
    if(KESTRUM_PCH)
        target_precompile_headers(${target} REUSE_FROM kestrum_pch_${kind})
    endif()
endfunction()
