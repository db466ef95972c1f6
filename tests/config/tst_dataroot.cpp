// The data root and the case-blind file lookup of its database folder.
#include "dataroot.h"
#include "kerror.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using kestrum::config::DataRoot;

class TestDataRoot : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { DataRoot::reset(); }
    void followsXdgDataHome();
    void uncreatableRootRaises();
    void findFileNoCase_data();
    void findFileNoCase();
};

void TestDataRoot::followsXdgDataHome() {
    QTemporaryDir first, second;
    qputenv("XDG_DATA_HOME", QFile::encodeName(first.path()));
    DataRoot::reset();
    QCOMPARE(DataRoot::path(), first.path() + "/kestrum");
    QVERIFY(QFileInfo(DataRoot::path()).isDir());
    QCOMPARE(DataRoot::bdks(), first.path() + "/kestrum/BDKS");

    // Resolved once: a later change counts only after reset().
    qputenv("XDG_DATA_HOME", QFile::encodeName(second.path()));
    QCOMPARE(DataRoot::path(), first.path() + "/kestrum");
    DataRoot::reset();
    QCOMPARE(DataRoot::path(), second.path() + "/kestrum");
}

void TestDataRoot::uncreatableRootRaises() {
    QTemporaryDir dir;
    const QString blocker = dir.filePath("file");
    QFile f(blocker);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    qputenv("XDG_DATA_HOME", QFile::encodeName(blocker));
    DataRoot::reset();
    QVERIFY_THROWS_EXCEPTION(kestrum::Error, DataRoot::path());
}

void TestDataRoot::findFileNoCase_data() {
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QString>("asked");
    QTest::addColumn<QString>("found");
    const QStringList one{"INSTALACION_3.FDB"};
    QTest::newRow("same spelling") << one << "INSTALACION_3.FDB"
                                   << "INSTALACION_3.FDB";
    QTest::newRow("lower case name") << one << "instalacion_3.FDB"
                                     << "INSTALACION_3.FDB";
    QTest::newRow("lower case extension") << one << "INSTALACION_3.fdb"
                                          << "INSTALACION_3.FDB";
    QTest::newRow("none: the name asked") << one << "instalacion_4.FDB"
                                          << "instalacion_4.FDB";
    QTest::newRow("exact spelling first") << QStringList{"kestrum.fdb", "KESTRUM.FDB"} << "KESTRUM.FDB"
                                          << "KESTRUM.FDB";
}

void TestDataRoot::findFileNoCase() {
    QFETCH(QStringList, present);
    QFETCH(QString, asked);
    QFETCH(QString, found);
    QTemporaryDir dir;
    for (const QString& name : present) {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir().mkpath(dir.filePath("instalacion_4.fdb"))); // a folder is not a file
    QCOMPARE(DataRoot::findFileNoCase(dir.path(), asked), dir.path() + "/" + found);
}

QTEST_GUILESS_MAIN(TestDataRoot)
#include "tst_dataroot.moc"
