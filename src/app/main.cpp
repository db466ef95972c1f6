// Kestrum: the console. Creates the windows and runs the event loop.
#include "F_Login_APP.h"
#include "arranque.h"
#include "consola.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kestrum"));
    QApplication::setApplicationDisplayName(QStringLiteral("Kestrum"));
    QApplication::setQuitOnLastWindowClosed(false);
    int result = 0;
    {
        auto windows = kestrum::ui::creaVentanas();
        windows->login->show();
        result = QApplication::exec();
    }
    kestrum::ui::Consola::reset();
    return result;
}
