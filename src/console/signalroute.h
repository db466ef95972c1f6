// SIGTERM, SIGINT and SIGHUP as a Qt signal on the UI thread, so that they close the console as
// its Exit does instead of ending it anywhere (or being swallowed by the database engine).
#pragma once

#include <QObject>

class QSocketNotifier;

namespace kestrum::ui {

class SignalRoute : public QObject {
    Q_OBJECT
public:
    static SignalRoute& instance();

    // Installs the handlers; call again after the database engine is loaded, since it installs
    // handlers of its own for the same signals.
    void install();

signals:
    void received(int signal);

private:
    SignalRoute();
    void readPipe();

    QSocketNotifier* notifier_ = nullptr;
};

} // namespace kestrum::ui
