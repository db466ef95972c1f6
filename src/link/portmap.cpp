#include "portmap.h"

namespace kestrum::link {

namespace {
PortMap::Resolver& resolver() {
    static PortMap::Resolver r;
    return r;
}
} // namespace

void PortMap::setResolver(Resolver r) {
    resolver() = std::move(r);
}

QString PortMap::defaultDevice(int port) {
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
}

QString PortMap::device(const QString& puerto) {
    bool isNumber = false;
    const int n = puerto.trimmed().toInt(&isNumber);
    if (!isNumber)
        return puerto;
    if (resolver()) {
        const QString mapped = resolver()(n);
        if (!mapped.isEmpty())
            return mapped;
    }
    return defaultDevice(n);
}

} // namespace kestrum::link
