// Simulated controllers on pseudo-terminals, with the port mapping pointed at them: port n opens
// controller n's device.
#pragma once

#include "simhost.h"

#include <QByteArray>
#include <QString>

namespace kestrum::test {

class SimPorts {
public:
    explicit SimPorts(int controllers, const sim::ControllerSetup& setup = {});
    ~SimPorts();

    sim::SimHost& host() { return host_; }
    QString device(int n) const { return host_.device(n); }

private:
    sim::SimHost host_;
};

QByteArray bytes(const char* hex); // "10 02 AA" -> bytes

} // namespace kestrum::test
