// Which device a controller's port number opens. The settings file supplies the mapping once it is
// read; until then, and for unmapped numbers, port n is /dev/ttyS<n-1>.
#pragma once

#include <QString>
#include <functional>

namespace kestrum::link {

class PortMap {
public:
    // Returns the device for port n, or an empty text when the mapping has no entry for n.
    using Resolver = std::function<QString(int port)>;

    static void setResolver(Resolver resolver);
    // The device that port text `puerto` opens: a number goes through the mapping, anything else
    // is taken as a device path as it stands.
    static QString device(const QString& puerto);
    static QString defaultDevice(int port);
};

} // namespace kestrum::link
