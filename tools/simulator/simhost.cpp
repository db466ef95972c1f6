#include "simhost.h"

#include <exception>

namespace kestrum::sim {

namespace {

// Controllers are deleted on their own thread: their timers and notifier belong to it.
void shutDown(QThread& thread, std::vector<SimController*>& controllers) {
    for (SimController* c : controllers)
        QMetaObject::invokeMethod(
            c, [c] { delete c; }, Qt::BlockingQueuedConnection);
    controllers.clear();
    thread.quit();
    thread.wait();
}

} // namespace

SimHost::SimHost(int controllers, const ControllerSetup& setup, Names names) {
    thread_.setObjectName(QStringLiteral("kestrum-sim"));
    thread_.start();
    std::exception_ptr failure;
    for (int n = 1; n <= controllers && !failure; ++n) {
        auto* c = new SimController(setup);
        c->setObjectName(QStringLiteral("controller %1").arg(n));
        if (names == Names::Private)
            c->setAlias(aliases_.filePath(QStringLiteral("COM%1").arg(n)));
        c->moveToThread(&thread_);
        controllers_.push_back(c);
        QString device;
        // An exception must not cross the event loop; it is carried back and raised here.
        QMetaObject::invokeMethod(
            c,
            [&] {
                try {
                    c->start();
                    device = c->devicePath();
                } catch (...) {
                    failure = std::current_exception();
                }
            },
            Qt::BlockingQueuedConnection);
        devices_.push_back(device);
    }
    if (failure) {
        shutDown(thread_, controllers_);
        devices_.clear();
        std::rethrow_exception(failure);
    }
}

SimHost::~SimHost() {
    shutDown(thread_, controllers_);
}

} // namespace kestrum::sim
