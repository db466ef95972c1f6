#include "simports.h"

#include "portmap.h"

namespace kestrum::test {

SimPorts::SimPorts(int controllers, const sim::ControllerSetup& setup) : host_(controllers, setup) {
    link::PortMap::setResolver(
        [this](int port) { return port >= 1 && port <= host_.size() ? host_.device(port) : QString(); });
}

SimPorts::~SimPorts() {
    link::PortMap::setResolver({});
}

QByteArray bytes(const char* hex) {
    return QByteArray::fromHex(QByteArray(hex).replace(' ', ""));
}

} // namespace kestrum::test
