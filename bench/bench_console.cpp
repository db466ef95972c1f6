// Console benchmarks, printed, not asserted, with the large installation (10,000 holders, 20,000
// cards, 40,000 assignments): the time from program start to the login window shown, measured in a
// fresh process; then the main window's users and cards refreshes, and the new-holder editor's
// preparation (its card drop-down offers every card). Goals: start under 2 s, each refresh and the
// preparation under 200 ms.
#include "F_Login_APP.h"
#include "UF_Main.h"
#include "UF_Nuevo_Usr.h"
#include "arranque.h"
#include "benchdata.h"
#include "consola.h"
#include "dataroot.h"
#include "dbconnection.h"
#include "schema.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>

using namespace kestrum;
using kestrum::bench::bestOf;

namespace {

void prepare(const QString& xdg) {
    qputenv("XDG_DATA_HOME", QFile::encodeName(xdg));
    config::DataRoot::reset();
    QFile settings(config::DataRoot::file(QStringLiteral("KESTRUM20.INI")));
    if (!settings.open(QIODevice::WriteOnly))
        qFatal("cannot write the settings");
    // The controllers' ports lead nowhere: a serial device of the machine (a real /dev/ttyS0) must not
    // put its reply time-outs into the figures.
    QByteArray ini = "[General]\nIdioma=ENGLISH\nTestear_cx=false\nLiberar_tarj=false\n[Serial]\n";
    for (int n = 1; n <= bench::CONTROLLERS; ++n)
        ini += QByteArray("COM") + QByteArray::number(n) + "=/nonexistent/kestrum-bench-tty\n";
    settings.write(ini);
    settings.close();
    store::Db::prepareEnvironment(config::DataRoot::file(QStringLiteral("firebird-lock")));
    store::Prepara_Ficheros_BD(config::DataRoot::bdks());
    QSqlDatabase db = store::Db::connect(config::DataRoot::bdks() + QStringLiteral("/INSTALACION_1.FDB"));
    QElapsedTimer t;
    t.start();
    bench::fillInstallation(db);
    store::Db::disconnect(db);
    std::printf("setup: %d holders, %d cards, %d assignments written in %.1f s\n", bench::HOLDERS,
                bench::CARDS, 2 * bench::CARDS, static_cast<double>(t.elapsed()) / 1000.0);
}

// The measured run: a process of its own, so that the start is a real start.
int measureStart(int argc, char** argv, const QElapsedTimer& sinceMain) {
    QApplication app(argc, argv);
    int result = 0;
    {
        auto windows = ui::creaVentanas();
        windows->login->show();
        QCoreApplication::processEvents();
        std::printf("start to login window shown: %.0f ms (the installation's stores loaded, lists filled)\n",
                    static_cast<double>(sinceMain.nsecsElapsed()) / 1e6);

        auto& main = *windows->main;
        const double users = bestOf(5, [&] { main.Refrescar_usuariosII(); });
        const double cards = bestOf(5, [&] { main.Refrescar_tarjetas(); });
        std::printf(
            "Refrescar_usuariosII: %.0f ms, Refrescar_tarjetas: %.0f ms (best of 5; goal < 200 ms each)\n",
            users, cards);
        const double editor = bestOf(5, [&] { windows->nuevoUsr->Prepara(); });
        std::printf("F_Nuevo_Usr prepared with %d cards offered: %.0f ms (best of 5; goal < 200 ms)\n",
                    bench::CARDS, editor);
        result = users > 0 && cards > 0 && editor > 0 ? 0 : 1;
    }
    ui::Consola::reset();
    return result;
}

} // namespace

int main(int argc, char** argv) {
    QElapsedTimer sinceMain;
    sinceMain.start();
    if (argc == 2 && QByteArray(argv[1]) == "--measure") {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return measureStart(argc, argv, sinceMain);
    }
    QTemporaryDir dir;
    {
        QCoreApplication app(argc, argv);
        prepare(dir.path());
    }
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.path());
    child.setProcessEnvironment(env);
    child.start(QString::fromLocal8Bit(argv[0]), {QStringLiteral("--measure")});
    child.waitForFinished(-1);
    return child.exitCode();
}
