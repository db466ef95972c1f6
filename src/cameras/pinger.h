// ICMP echo to a camera's host, off the window's thread. Linux lets a process ping without root
// through a datagram ICMP socket when its group is in net.ipv4.ping_group_range; a process with
// CAP_NET_RAW uses a raw socket. When the system allows neither, the reply says so.
#pragma once

#include <QList>
#include <QString>
#include <functional>

class QObject;

namespace kestrum::cameras {

struct PingReply {
    enum Status { Echo, Error, TimedOut, Unreachable, TtlExceeded };
    Status status = Error;
    QString detail;         // the system's message for an error
    bool forbidden = false; // the system allows no ICMP socket to this process
};

// What the camera windows ask; tests give them one that answers as told.
class Pinger {
public:
    virtual ~Pinger() = default;
    // `done` runs on the caller's thread, unless `context` was destroyed first.
    virtual void ping(const QString& host, QObject* context, std::function<void(const PingReply&)> done) = 0;
};

class IcmpPinger : public Pinger {
public:
    enum class Socket { Datagram, Raw };
    static constexpr int TIMEOUT_MS = 5000;

    explicit IcmpPinger(QList<Socket> order = {Socket::Datagram, Socket::Raw}, int timeoutMs = TIMEOUT_MS);
    void ping(const QString& host, QObject* context, std::function<void(const PingReply&)> done) override;
    // The same, waiting on this thread.
    PingReply pingNow(const QString& host) const;

private:
    QList<Socket> order_;
    int timeoutMs_;
};

} // namespace kestrum::cameras
