#include "pinger.h"

#include "cameraslog.h"

#include <QDeadlineTimer>
#include <QFutureWatcher>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <linux/errqueue.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kestrum::cameras {

namespace {

// Pings wait up to their limit each; they get threads of their own so that four cameras that do
// not answer hold up neither each other nor the decoding.
QThreadPool& pingers() {
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool;
        p->setMaxThreadCount(8);
        return p;
    }();
    return *pool;
}

std::atomic<quint16> nextSequence{1};

QString systemMessage(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

quint16 checksum(const unsigned char* data, size_t size) {
    quint32 sum = 0;
    for (size_t i = 0; i + 1 < size; i += 2)
        sum += static_cast<quint32>(data[i] << 8 | data[i + 1]);
    if (size % 2)
        sum += static_cast<quint32>(data[size - 1] << 8);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<quint16>(~sum);
}

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
};

// The reply that an ICMP error type stands for.
PingReply fromIcmpType(int type, int code) {
    if (type == ICMP_DEST_UNREACH)
        return {PingReply::Unreachable, QStringLiteral("code %1").arg(code), false};
    if (type == ICMP_TIME_EXCEEDED)
        return {PingReply::TtlExceeded, {}, false};
    return {PingReply::Error, QStringLiteral("ICMP type %1 code %2").arg(type).arg(code), false};
}

struct Request {
    quint16 id;
    quint16 sequence;
};

// An ICMP header at `icmp` (with `size` bytes) that answers `r`; `checkId` is false on a datagram
// socket, whose identifier the kernel sets and filters itself.
std::optional<PingReply> answerTo(const unsigned char* icmp, ssize_t size, const Request& r, bool checkId) {
    if (size < 8)
        return std::nullopt;
    const auto* h = reinterpret_cast<const icmphdr*>(icmp);
    const auto matches = [&](const icmphdr* e) {
        return ntohs(e->un.echo.sequence) == r.sequence && (!checkId || ntohs(e->un.echo.id) == r.id);
    };
    if (h->type == ICMP_ECHOREPLY)
        return matches(h) ? std::optional<PingReply>(PingReply{PingReply::Echo, {}, false}) : std::nullopt;
    if (h->type != ICMP_DEST_UNREACH && h->type != ICMP_TIME_EXCEEDED)
        return std::nullopt;
    // An error carries the IP header and the first 8 bytes of the request it concerns.
    const unsigned char* inner = icmp + 8;
    if (size < 8 + static_cast<ssize_t>(sizeof(iphdr)))
        return std::nullopt;
    const size_t ihl = reinterpret_cast<const iphdr*>(inner)->ihl * 4u;
    if (size < static_cast<ssize_t>(8 + ihl + 8))
        return std::nullopt;
    const auto* original = reinterpret_cast<const icmphdr*>(inner + ihl);
    if (original->type != ICMP_ECHO || !matches(original))
        return std::nullopt;
    return fromIcmpType(h->type, h->code);
}

// A datagram socket reports the ICMP errors for its request on its error queue.
PingReply readErrorQueue(int fd) {
    char control[512];
    unsigned char data[512];
    iovec iov{data, sizeof data};
    msghdr msg{};
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    if (::recvmsg(fd, &msg, MSG_ERRQUEUE) < 0)
        return {PingReply::Error, systemMessage(errno), false};
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level != SOL_IP || c->cmsg_type != IP_RECVERR)
            continue;
        const auto* e = reinterpret_cast<const sock_extended_err*>(CMSG_DATA(c));
        if (e->ee_origin == SO_EE_ORIGIN_ICMP)
            return fromIcmpType(e->ee_type, e->ee_code);
        return {PingReply::Error, systemMessage(static_cast<int>(e->ee_errno)), false};
    }
    return {PingReply::Error, QStringLiteral("unknown error"), false};
}

std::optional<sockaddr_in> resolve(const QString& host, QString& error) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    const int rc = ::getaddrinfo(host.toUtf8().constData(), nullptr, &hints, &found);
    if (rc != 0 || !found) {
        error = QString::fromLocal8Bit(::gai_strerror(rc));
        return std::nullopt;
    }
    sockaddr_in address;
    std::memcpy(&address, found->ai_addr, sizeof address);
    ::freeaddrinfo(found);
    return address;
}

PingReply exchange(int fd, bool raw, const sockaddr_in& to, int timeoutMs) {
    const Request r{static_cast<quint16>(::getpid() & 0xFFFF), nextSequence.fetch_add(1)};
    unsigned char packet[8 + 16] = {};
    auto* h = reinterpret_cast<icmphdr*>(packet);
    h->type = ICMP_ECHO;
    h->un.echo.id = htons(r.id);
    h->un.echo.sequence = htons(r.sequence);
    std::memcpy(packet + 8, "kestrum-camera..", 16);
    h->checksum = htons(checksum(packet, sizeof packet));
    if (::sendto(fd, packet, sizeof packet, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) < 0) {
        const int e = errno;
        if (e == ENETUNREACH || e == EHOSTUNREACH)
            return {PingReply::Unreachable, systemMessage(e), false};
        return {PingReply::Error, systemMessage(e), false};
    }
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        pollfd p{fd, POLLIN, 0};
        const int n = ::poll(&p, 1, static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        if (p.revents & POLLERR)
            return readErrorQueue(fd);
        unsigned char in[1500];
        const ssize_t got = ::recv(fd, in, sizeof in, 0);
        if (got <= 0)
            continue;
        // A raw socket hands the IP header too, and every ICMP packet of the host.
        const size_t skip = raw ? reinterpret_cast<const iphdr*>(in)->ihl * 4u : 0;
        if (static_cast<ssize_t>(skip) >= got)
            continue;
        if (auto reply = answerTo(in + skip, got - static_cast<ssize_t>(skip), r, raw))
            return *reply;
    }
    return {PingReply::TimedOut, {}, false};
}

} // namespace

IcmpPinger::IcmpPinger(QList<Socket> order, int timeoutMs)
    : order_(std::move(order)), timeoutMs_(timeoutMs) {}

PingReply IcmpPinger::pingNow(const QString& host) const {
    if (host.trimmed().isEmpty())
        return {PingReply::Error, QStringLiteral("no host"), false};
    QString error;
    const auto to = resolve(host, error);
    if (!to)
        return {PingReply::Error, error, false};
    QStringList refused;
    for (Socket s : order_) {
        const bool raw = s == Socket::Raw;
        Fd fd{::socket(AF_INET, (raw ? SOCK_RAW : SOCK_DGRAM) | SOCK_CLOEXEC, IPPROTO_ICMP)};
        if (fd.fd < 0) {
            refused << QStringLiteral("%1: %2").arg(raw ? QStringLiteral("raw") : QStringLiteral("datagram"),
                                                    systemMessage(errno));
            continue;
        }
        if (!raw) {
            const int on = 1;
            ::setsockopt(fd.fd, SOL_IP, IP_RECVERR, &on, sizeof on);
        }
        const PingReply reply = exchange(fd.fd, raw, *to, timeoutMs_);
        qCDebug(lcCameras) << "ping" << host << (raw ? "raw" : "datagram") << reply.status << reply.detail;
        return reply;
    }
    qCDebug(lcCameras) << "ping" << host << "not allowed:" << refused;
    return {PingReply::Error, refused.join(QStringLiteral("; ")), true};
}

void IcmpPinger::ping(const QString& host, QObject* context, std::function<void(const PingReply&)> done) {
    auto* watcher = new QFutureWatcher<PingReply>(context);
    QObject::connect(watcher, &QFutureWatcher<PingReply>::finished, context, [watcher, done] {
        watcher->deleteLater();
        done(watcher->result());
    });
    const IcmpPinger copy = *this;
    watcher->setFuture(QtConcurrent::run(&pingers(), [copy, host] { return copy.pingNow(host); }));
}

} // namespace kestrum::cameras
