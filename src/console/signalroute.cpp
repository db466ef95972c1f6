#include "signalroute.h"

#include <QLoggingCategory>
#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcSignals, "kestrum.ui.signals", QtWarningMsg)

namespace kestrum::ui {

namespace {

std::array<int, 2> pipeFds{-1, -1};

// Only async-signal-safe calls here: the signal number goes down the pipe and nothing else.
void onSignal(int signal) {
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t n = ::write(pipeFds[1], &byte, 1);
    errno = saved;
}

} // namespace

SignalRoute& SignalRoute::instance() {
    static SignalRoute route;
    return route;
}

SignalRoute::SignalRoute() {
    if (::pipe2(pipeFds.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
        qCWarning(lcSignals) << "no pipe for signals:" << qt_error_string(errno);
        return;
    }
    notifier_ = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SignalRoute::readPipe);
}

void SignalRoute::install() {
    if (!notifier_)
        return;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int s : {SIGTERM, SIGINT, SIGHUP}) {
        if (::sigaction(s, &action, nullptr) != 0)
            qCWarning(lcSignals) << "cannot handle signal" << s << qt_error_string(errno);
    }
    qCDebug(lcSignals) << "handlers installed";
}

void SignalRoute::readPipe() {
    unsigned char byte = 0;
    while (::read(pipeFds[0], &byte, 1) == 1) {
        qCDebug(lcSignals) << "signal" << byte;
        emit received(byte);
    }
}

} // namespace kestrum::ui
