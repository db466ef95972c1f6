// The console on a Firebird server of the test's own: a wrong password leaves the login window
// saying the server's answer and offering the server settings, which bring the console in; the
// parameters dialog's connection test reports what the server says.
#include "F_Login_APP.h"
#include "UF_Parametros_app.h"
#include "consolefixture.h"
#include "fbtestserver.h"
#include "grupo_servidor.h"
#include "schema.h"
#include "udorqcoleccionusuario.h"
#include "udorqserver.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>

using namespace kestrum;
using kestrum::test::ConsoleFixture;

namespace {

QByteArray settingsFor(const config::DatabaseSettings& s) {
    return QStringLiteral("[General]\nIdioma=ENGLISH\n[Database]\nHost=%1\nPort=%2\nUser=%3\nPassword=%4\n"
                          "Folder=%5\n")
        .arg(s.host)
        .arg(s.port)
        .arg(s.user, s.password, s.folder)
        .toUtf8();
}

QString mensaje(QWidget* login) {
    return login->findChild<QLabel*>(QStringLiteral("L_Mensaje"))->text();
}

// Clicks the group's test button and waits for the server's answer.
QString prueba(ui::G_Servidor* grupo) {
    QSignalSpy probado(grupo, &ui::G_Servidor::probado);
    grupo->B_Probar()->click();
    if (!probado.wait(30000))
        return QStringLiteral("no answer");
    return grupo->L_Estado()->text();
}

} // namespace

class TestServidor : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        const QString failure = server_.start();
        if (!failure.isEmpty())
            QFAIL(qPrintable(failure));
    }
    void cleanup() { store::schema::useSettings({}); }
    void cleanupTestCase() {
        const QStringList names = QSqlDatabase::connectionNames();
        for (const QString& name : names)
            QSqlDatabase::removeDatabase(name);
        server_.stop();
    }

    void wrongPasswordThenTheRightOne() {
        ConsoleFixture f;
        config::DatabaseSettings wrong = server_.settings();
        wrong.password = QStringLiteral("not-it");
        f.root.write(QStringLiteral("KESTRUM20.INI"), settingsFor(wrong));
        f.start(false);
        f.w->login->show();
        QVERIFY2(mensaje(f.w->login.get()).contains(QLatin1String("user name and password")),
                 qPrintable(mensaje(f.w->login.get())));
        QVERIFY(f.w->login->B_Servidor()->isVisible());
        QVERIFY(!ui::Consola::instance().sistema);

        // Logging in meanwhile is refused with the same reason, and nothing breaks.
        f.w->login->findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(QStringLiteral("admin"));
        f.w->login->findChild<QLineEdit*>(QStringLiteral("Edit2"))->setText(QStringLiteral("admin"));
        f.w->login->B_AceptarClick();
        QVERIFY(!ui::Consola::instance().logueado);
        QVERIFY(mensaje(f.w->login.get()).contains(QLatin1String("user name and password")));

        QString probado;
        f.answerNextDialog([&](QWidget* ventana) {
            auto* grupo = ventana->findChild<ui::G_Servidor*>();
            QCOMPARE(grupo->E_Host()->text(), QStringLiteral("127.0.0.1"));
            grupo->E_Password()->setText(server_.password());
            probado = prueba(grupo);
            ventana->findChild<QPushButton*>(QStringLiteral("B_Aceptar"))->click();
        });
        f.w->login->B_ServidorClick();
        QVERIFY2(probado.contains(QLatin1String("Firebird")), qPrintable(probado));
        QVERIFY(!f.w->login->B_Servidor()->isVisible());
        QVERIFY(
            f.root.read(QStringLiteral("KESTRUM20.INI")).contains("Password=" + server_.password().toUtf8()));

        f.w->login->findChild<QLineEdit*>(QStringLiteral("Edit2"))->setText(QStringLiteral("admin"));
        f.w->login->B_AceptarClick();
        QVERIFY(ui::Consola::instance().logueado);
        QVERIFY(f.main().isVisible());
        QVERIFY(ui::Consola::instance().sistema);
        QCOMPARE(f.errors, QStringList{});
        // The report captions the start could not write are in the server's catalogue now.
        QCOMPARE(store::Db::scalar(ui::Consola::instance().servidor->db(),
                                   QStringLiteral("SELECT IDIOMA FROM LANGREP"))
                     .toString(),
                 QStringLiteral("ENGLISH"));
        // The installation the console uses is the server's.
        QCOMPARE(ui::Consola::instance().sistema->RutaBD(), store::schema::installationPath(1));
        QVERIFY(ui::Consola::instance().sistema->RutaBD().startsWith(server_.dataFolder()));
    }

    void parametersTestAndSaveTheServer() {
        ConsoleFixture f;
        f.start();
        ui::F_Parametros_app& p = *f.w->parametros;
        p.Prepara();
        ui::G_Servidor* grupo = p.G_Servidor_BD();
        QVERIFY(grupo->E_Host()->text().isEmpty());
        QVERIFY(!grupo->B_Probar()->isEnabled());

        const config::DatabaseSettings s = server_.settings();
        grupo->E_Host()->setText(s.host);
        grupo->E_Puerto()->setValue(s.port);
        grupo->E_Password()->setText(QStringLiteral("not-it"));
        grupo->E_Carpeta()->setText(s.folder);
        QVERIFY(prueba(grupo).contains(QLatin1String("user name and password")));
        grupo->E_Password()->setText(s.password);
        const QString respuesta = prueba(grupo);
        QVERIFY2(respuesta.contains(QLatin1String("Firebird")), qPrintable(respuesta));

        // Taken into the settings file for the next start; the embedded installation stays in use.
        QVERIFY(p.Acepta());
        const QByteArray ini = f.root.read(QStringLiteral("KESTRUM20.INI"));
        QVERIFY(ini.contains("Host=127.0.0.1"));
        QVERIFY(ini.contains("Port=" + QByteArray::number(s.port)));
        QVERIFY(ui::Consola::instance().sistema->RutaBD().startsWith(f.root.bdks()));
        p.Prepara();
        QVERIFY(!p.Acepta());
    }

private:
    test::FbTestServer server_;
};

QTEST_MAIN(TestServidor)
#include "tst_servidor.moc"
