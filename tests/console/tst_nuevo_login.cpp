// The login editor opened from the logins list, against the real catalogue.
#include "UF_Nuevo_login.h"
#include "consolefixture.h"
#include "udorqserver.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

using kestrum::test::ConsoleFixture;
using namespace kestrum::ui;

class TestNuevoLogin : public QObject {
    Q_OBJECT
private slots:
    void init() {
        f_ = std::make_unique<ConsoleFixture>();
        f_->start();
        dialog_ = f_->w->nuevoLogin.get();
    }
    void cleanup() { f_.reset(); }

    void storesLowerCasedWithItsRole_data();
    void storesLowerCasedWithItsRole();
    void existingNameKeepsTheFields();
    void openedFromTheLoginsList();

private:
    void type(const QString& login, const QString& password, const QString& confirmation, int level) {
        dialog_->show();
        dialog_->findChild<QLineEdit*>("Edit1")->setText(login);
        dialog_->findChild<QLineEdit*>("Edit2")->setText(password);
        dialog_->findChild<QLineEdit*>("Edit3")->setText(confirmation);
        dialog_->findChild<QComboBox*>("C_Nivel")->setCurrentIndex(level);
        dialog_->findChild<QPushButton*>("B_Aceptar")->click();
    }
    QStringList logins() { return kestrum::ui::Consola::instance().servidor->Lista_Logins(); }

    std::unique_ptr<ConsoleFixture> f_;
    F_Nuevo_login* dialog_ = nullptr;
};

void TestNuevoLogin::storesLowerCasedWithItsRole_data() {
    QTest::addColumn<QString>("login");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("confirmation");
    QTest::addColumn<int>("level");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("capitals, admin") << "Pepe"
                                     << "SeCreT"
                                     << "SeCreT" << 0 << QStringList{"admin*ADMIN", "pepe*ADMIN"};
    QTest::newRow("user level") << "ana"
                                << "x"
                                << "x" << 1 << QStringList{"admin*ADMIN", "ana*USER"};
    QTest::newRow("no level chosen") << "eva"
                                     << "x"
                                     << "x" << -1 << QStringList{"admin*ADMIN", "eva*USER"};
    QTest::newRow("confirmation differs in case") << "luis"
                                                  << "Abc"
                                                  << "abc" << 0 << QStringList{"admin*ADMIN"};
    QTest::newRow("empty confirmation") << "luis"
                                        << "abc"
                                        << "" << 0 << QStringList{"admin*ADMIN"};
}

void TestNuevoLogin::storesLowerCasedWithItsRole() {
    QFETCH(QString, login);
    QFETCH(QString, password);
    QFETCH(QString, confirmation);
    QFETCH(int, level);
    type(login, password, confirmation, level);
    QTEST(logins(), "expected");
    if (logins().size() > 1) {
        // Stored lower-cased: the lower-cased pair logs in, and the fields are emptied for the next.
        QVERIFY(kestrum::ui::Consola::instance().servidor->Valida_Login(login.toLower(), password.toLower()));
        QVERIFY(dialog_->findChild<QLineEdit*>("Edit1")->text().isEmpty());
    }
}

void TestNuevoLogin::existingNameKeepsTheFields() {
    type(QStringLiteral("ADMIN"), QStringLiteral("other"), QStringLiteral("other"), 1);
    QCOMPARE(logins(), QStringList{"admin*ADMIN"});
    QCOMPARE(dialog_->findChild<QLineEdit*>("Edit1")->text(), QStringLiteral("ADMIN"));
    QVERIFY(kestrum::ui::Consola::instance().servidor->Valida_Login("admin", "admin"));
}

void TestNuevoLogin::openedFromTheLoginsList() {
    f_->main().selecciona(F_Main::Logins);
    f_->answerNextDialog([](QWidget* d) {
        d->findChild<QLineEdit*>("Edit1")->setText("Marta");
        d->findChild<QLineEdit*>("Edit2")->setText("pw");
        d->findChild<QLineEdit*>("Edit3")->setText("pw");
        d->findChild<QComboBox*>("C_Nivel")->setCurrentIndex(1);
        d->findChild<QPushButton*>("B_Aceptar")->click();
        d->findChild<QPushButton*>("B_Cancelar")->click();
    });
    f_->main().findChild<QToolButton*>("B_Nuevo_Login")->click();
    QCOMPARE(f_->list("Lista4").rowCount(), 2);
    QCOMPARE(f_->list("Lista4").fila(1).celdas, (QStringList{"marta", "USER"}));
}

QTEST_MAIN(TestNuevoLogin)
#include "tst_nuevo_login.moc"
