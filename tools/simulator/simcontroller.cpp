#include "simcontroller.h"

#include "kerror.h"
#include "timings.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace kestrum::sim {

Q_LOGGING_CATEGORY(lcSim, "kestrum.sim", QtWarningMsg)

namespace {

constexpr quint8 CMD_SET_TIMES = 26;
constexpr quint8 CMD_TEST = 27;
constexpr quint8 CMD_MASTER = 29;
constexpr quint8 CMD_STORE_RUN = 34;
constexpr quint8 CMD_DELETE = 65;
constexpr quint8 CMD_EMPTY = 81;
constexpr quint8 CMD_STORE = 97;
constexpr quint8 CMD_READ = 113;

constexpr quint8 REPLY_DONE = 6;
constexpr quint8 REPLY_TEST = 44;
constexpr quint8 REPLY_MASTER = 45;
constexpr quint8 REPLY_CARD = 47;

constexpr quint8 EVENT_CARD = 0x31;
constexpr quint8 EVENT_DOOR = 0x37;

constexpr int CARD_BYTES = 5;
// Retry pace for output that the pseudo-terminal could not take yet.
constexpr int WRITE_RETRY_MS = 5;

QByteArray cardBytes(const QString& text) {
    const QString t = text.trimmed().toUpper();
    if (t.isEmpty() || t.size() > 2 * CARD_BYTES)
        throw Error(QStringLiteral("invalid card '%1': one to ten hex digits expected").arg(text));
    for (const QChar c : t) {
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
              (c >= QLatin1Char('A') && c <= QLatin1Char('F'))))
            throw Error(QStringLiteral("invalid card '%1': one to ten hex digits expected").arg(text));
    }
    return QByteArray::fromHex(t.rightJustified(2 * CARD_BYTES, QLatin1Char('0')).toLatin1());
}

QString cardText(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex()).toUpper();
}

QString systemError(const char* what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

// Encodes a frame; `corrupt` spoils the checksum byte after it has been computed.
QByteArray encodeFrame(quint8 destination, quint8 source, quint8 code, const QByteArray& data, bool corrupt) {
    const auto* d = reinterpret_cast<const std::uint8_t*>(data.constData());
    const auto frame = link::buildFrame(
        destination, source, code, std::span<const std::uint8_t>(d, static_cast<std::size_t>(data.size())),
        corrupt ? 0xFF : 0x00);
    return QByteArray(reinterpret_cast<const char*>(frame.data()), static_cast<qsizetype>(frame.size()));
}

} // namespace

struct SimController::Sink : link::VornaReceiver::Sink {
    explicit Sink(SimController& c) : owner(c) {}
    void frameReceived(std::uint8_t source, std::span<const std::uint8_t> body) override {
        owner.onFrame(source, body);
    }
    void loneAck() override { owner.onAck(); }
    SimController& owner;
};

SimController::SimController(const ControllerSetup& setup, QObject* parent)
    : QObject(parent), setup_(setup), sink_(std::make_unique<Sink>(*this)), pumpTimer_(this),
      ackTimer_(this) {
    // The timers are children so that moveToThread takes them along.
    clock_.start();
    pumpTimer_.setTimerType(Qt::PreciseTimer);
    pumpTimer_.setSingleShot(true);
    connect(&pumpTimer_, &QTimer::timeout, this, &SimController::pump);
    ackTimer_.setTimerType(Qt::PreciseTimer);
    ackTimer_.setSingleShot(true);
    connect(&ackTimer_, &QTimer::timeout, this, &SimController::eventAckTimeout);
}

SimController::~SimController() {
    unplug();
}

void SimController::unplug() {
    delete notifier_;
    notifier_ = nullptr;
    pumpTimer_.stop();
    out_.clear();
    if (slaveFd_ >= 0)
        ::close(slaveFd_);
    if (masterFd_ >= 0)
        ::close(masterFd_);
    slaveFd_ = masterFd_ = -1;
    if (!alias_.isEmpty())
        ::unlink(QFile::encodeName(alias_).constData());
}

void SimController::start() {
    if (masterFd_ >= 0)
        return;
    // Close-on-exec: a child process (a tool under test) holding the master would keep the line up.
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master < 0)
        throw Error(systemError("posix_openpt"));
    int slave = -1;
    // The message is taken before close() can change errno.
    auto fail = [&](const char* what) {
        const QString message = systemError(what);
        if (slave >= 0)
            ::close(slave);
        ::close(master);
        return Error(message);
    };
    if (::grantpt(master) != 0)
        throw fail("grantpt");
    if (::unlockpt(master) != 0)
        throw fail("unlockpt");
    char name[128];
    // ptsname() shares one buffer among threads; hosts may start controllers on several.
    if (const int e = ::ptsname_r(master, name, sizeof name); e != 0) {
        errno = e;
        throw fail("ptsname");
    }
    slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave < 0)
        throw fail("open pseudo-terminal slave");
    termios tio{};
    if (::tcgetattr(slave, &tio) != 0)
        throw fail("tcgetattr");
    ::cfmakeraw(&tio);
    if (::tcsetattr(slave, TCSANOW, &tio) != 0)
        throw fail("tcsetattr");
    if (!alias_.isEmpty()) {
        const QByteArray alias = QFile::encodeName(alias_);
        ::unlink(alias.constData());
        if (::symlink(name, alias.constData()) != 0)
            throw fail("symlink");
    }
    masterFd_ = master;
    slaveFd_ = slave;
    device_ = alias_.isEmpty() ? QString::fromLocal8Bit(name) : alias_;
    notifier_ = new QSocketNotifier(static_cast<qintptr>(masterFd_), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SimController::readable);
    if (!out_.empty())
        pump();
}

double SimController::nowMs() const {
    return static_cast<double>(clock_.nsecsElapsed()) / 1e6;
}

QStringList SimController::memory() const {
    QStringList out;
    out.reserve(static_cast<qsizetype>(cards_.size()));
    for (const auto& card : cards_)
        out.append(cardText(card));
    return out;
}

void SimController::setMemory(const QStringList& cards) {
    std::vector<QByteArray> stored;
    for (const auto& text : cards) {
        QByteArray card = cardBytes(text);
        if (std::find(stored.begin(), stored.end(), card) == stored.end())
            stored.push_back(std::move(card));
    }
    cards_ = std::move(stored);
}

void SimController::refuse(quint8 command, int times) {
    if (times == 0)
        refusals_.erase(command);
    else
        refusals_[command] = times;
}

int SimController::commandCount(quint8 command) const {
    const auto it = commandCounts_.find(command);
    return it == commandCounts_.end() ? 0 : it->second;
}

QByteArray SimController::lastCommandData(quint8 command) const {
    const auto it = lastData_.find(command);
    return it == lastData_.end() ? QByteArray() : it->second;
}

int SimController::storedIndex(const QByteArray& card) const {
    const auto it = std::find(cards_.begin(), cards_.end(), card);
    return it == cards_.end() ? -1 : static_cast<int>(it - cards_.begin());
}

void SimController::readable() {
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(masterFd_, buffer, sizeof buffer);
        if (n > 0) {
            takeInput(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EIO)
            qCWarning(lcSim) << device_ << "read failed:" << std::strerror(errno);
        // EIO only means that no one holds the slave open; there is nothing to read then.
        return;
    }
}

void SimController::takeInput(const char* bytes, std::size_t count) {
    const double now = nowMs();
    // Fed one byte at a time so that a frame's reply knows when its last byte came in on the wire.
    for (std::size_t i = 0; i < count; ++i) {
        inputDoneAt_ = pacing_ ? std::max(now, inputDoneAt_) + WIRE_MS_PER_BYTE : now;
        const auto b = static_cast<std::uint8_t>(bytes[i]);
        receiver_.feed(std::span<const std::uint8_t>(&b, 1), *sink_);
    }
}

void SimController::onFrame(std::uint8_t /*source*/, std::span<const std::uint8_t> body) {
    const quint8 command = body[0];
    const QByteArray data(reinterpret_cast<const char*>(body.data() + 1),
                          static_cast<qsizetype>(body.size() - 1));
    ++commandCounts_[command];
    lastData_[command] = data;
    qCDebug(lcSim).noquote() << device_ << "command" << command << data.toHex(' ');
    answer(command, data);
    emit commandReceived(command);
}

void SimController::onAck() {
    ++acks_;
    qCDebug(lcSim) << device_ << "ACK received";
    if (eventInFlight_) {
        ackTimer_.stop();
        acknowledged_.push_back(events_.front());
        ackLatencies_.push_back(nowMs() - eventOutAt_);
        events_.pop_front();
        eventInFlight_ = false;
        eventSends_ = 0;
    }
    emit ackReceived();
    sendNextEvent();
}

void SimController::answer(quint8 command, const QByteArray& data) {
    if (silent_)
        return;
    if (const auto it = refusals_.find(command); it != refusals_.end()) {
        if (it->second > 0 && --it->second == 0)
            refusals_.erase(it);
        reply(link::CODE_NO_REPLY, {});
        return;
    }
    auto done = [this] {
        if (loneAck_)
            replyLoneAck();
        else
            reply(REPLY_DONE, {});
    };
    auto u8 = [&data](qsizetype i) { return static_cast<quint8>(data.at(i)); };
    switch (command) {
    case CMD_SET_TIMES:
        if (data.size() < 2)
            break;
        setup_.lockTime = u8(0);
        setup_.openTime = u8(1);
        done();
        return;
    case CMD_TEST: {
        const int count =
            std::clamp(reportedCount_ >= 0 ? reportedCount_ : static_cast<int>(cards_.size()), 0, 0xFFFF);
        QByteArray out;
        out.append(static_cast<char>(setup_.state));
        out.append(static_cast<char>(setup_.lockTime));
        out.append(static_cast<char>(setup_.openTime));
        out.append(static_cast<char>(setup_.version));
        out.append(static_cast<char>(count >> 8));
        out.append(static_cast<char>(count & 0xFF));
        reply(REPLY_TEST, out);
        return;
    }
    case CMD_MASTER:
        reply(REPLY_MASTER, QByteArray(1, '\x01'));
        return;
    case CMD_STORE_RUN:
    case CMD_STORE: {
        const qsizetype from = command == CMD_STORE_RUN ? 1 : 0;
        if (data.size() < from + CARD_BYTES)
            break;
        const QByteArray card = data.mid(from, CARD_BYTES);
        if (storedIndex(card) < 0)
            cards_.push_back(card);
        done();
        return;
    }
    case CMD_DELETE: {
        if (data.size() < CARD_BYTES)
            break;
        const int index = storedIndex(data.left(CARD_BYTES));
        if (index >= 0)
            cards_.erase(cards_.begin() + index);
        done();
        return;
    }
    case CMD_EMPTY:
        cards_.clear();
        done();
        return;
    case CMD_READ: {
        if (data.size() < 2)
            break;
        const int position = u8(0) << 8 | u8(1);
        if (position < 1 || position > static_cast<int>(cards_.size()))
            break;
        reply(REPLY_CARD, cards_[static_cast<std::size_t>(position - 1)]);
        return;
    }
    default:
        break;
    }
    reply(link::CODE_NO_REPLY, {});
}

void SimController::reply(quint8 code, const QByteArray& data) {
    const double base = pacing_ ? std::max(nowMs(), inputDoneAt_) : nowMs();
    queueFrame(link::CONSOLE_ADDRESS, replySource_, code, data, base + replyDelayMs_);
}

void SimController::replyLoneAck() {
    const double base = pacing_ ? std::max(nowMs(), inputDoneAt_) : nowMs();
    qCDebug(lcSim) << device_ << "sent lone ACK";
    queueOut(QByteArray(1, static_cast<char>(link::ACK)), base + replyDelayMs_);
}

// A frame of the controller's own, with the faults that apply to such frames.
void SimController::queueFrame(quint8 destination, quint8 source, quint8 code, const QByteArray& data,
                               double notBefore) {
    QByteArray bytes;
    if (garbage_) {
        const int n = QRandomGenerator::global()->bounded(1, 5);
        for (int i = 0; i < n; ++i) {
            quint8 b = 0;
            do {
                b = static_cast<quint8>(QRandomGenerator::global()->bounded(256));
            } while (b == link::DLE || b == link::ACK);
            bytes.append(static_cast<char>(b));
        }
    }
    bytes += encodeFrame(destination, source, code, data, corruptNext_);
    corruptNext_ = false;
    qCDebug(lcSim).noquote() << device_ << "sent" << bytes.toHex(' ');
    queueOut(bytes, notBefore);
}

void SimController::queueOut(const QByteArray& bytes, double notBeforeMs) {
    double at = std::max(notBeforeMs, outputFreeAt_);
    for (const char b : bytes) {
        // Paced, a byte is written when its last bit would have left the wire.
        if (pacing_)
            at += WIRE_MS_PER_BYTE;
        out_.emplace_back(at, b);
    }
    outputFreeAt_ = at;
    pump();
}

void SimController::pump() {
    pumpTimer_.stop();
    if (masterFd_ < 0 || out_.empty())
        return;
    const double now = nowMs();
    QByteArray due;
    while (!out_.empty() && out_.front().first <= now) {
        due.append(out_.front().second);
        out_.pop_front();
    }
    bool retry = false;
    if (!due.isEmpty()) {
        ssize_t n = ::write(masterFd_, due.constData(), static_cast<std::size_t>(due.size()));
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
                n = 0;
            } else {
                qCWarning(lcSim) << device_ << "write failed:" << std::strerror(errno);
                n = due.size(); // nothing would take them
            }
        }
        if (n < due.size()) {
            for (qsizetype i = due.size() - 1; i >= n; --i)
                out_.emplace_front(now, due.at(i));
            retry = true;
        }
    }
    if (out_.empty())
        return;
    if (retry) {
        pumpTimer_.start(WRITE_RETRY_MS);
        return;
    }
    pumpTimer_.start(std::max(0, static_cast<int>(std::ceil(out_.front().first - now))));
}

void SimController::injectRaw(const QByteArray& bytes) {
    qCDebug(lcSim).noquote() << device_ << "sent raw" << bytes.toHex(' ');
    queueOut(bytes, nowMs());
}

void SimController::sendFrame(quint8 destination, quint8 source, quint8 code, const QByteArray& data) {
    const QByteArray bytes = encodeFrame(destination, source, code, data, false);
    qCDebug(lcSim).noquote() << device_ << "sent" << bytes.toHex(' ');
    queueOut(bytes, nowMs());
}

QString SimController::cardOf(const QByteArray& event) {
    return event.size() > 2 && static_cast<quint8>(event.at(0)) == EVENT_CARD
               ? QString::fromLatin1(event.mid(2).toHex().toUpper())
               : QString();
}

void SimController::presentCard(const QString& card, quint8 accessCode) {
    QByteArray event;
    event.append(static_cast<char>(EVENT_CARD));
    event.append(static_cast<char>(accessCode));
    event += cardBytes(card);
    events_.push_back(event);
    sendNextEvent();
}

void SimController::doorEvent(quint8 doorCode) {
    QByteArray event;
    event.append(static_cast<char>(EVENT_DOOR));
    event.append(static_cast<char>(doorCode));
    events_.push_back(event);
    sendNextEvent();
}

void SimController::plainEvent(quint8 code) {
    QByteArray event;
    event.append(static_cast<char>(code));
    event.append('\0');
    events_.push_back(event);
    sendNextEvent();
}

void SimController::sendNextEvent() {
    if (eventInFlight_ || events_.empty())
        return;
    eventInFlight_ = true;
    eventSends_ = 0;
    sendFrontEvent();
}

void SimController::sendFrontEvent() {
    const QByteArray& event = events_.front();
    ++eventSends_;
    const double now = nowMs();
    queueFrame(link::CONSOLE_ADDRESS, link::CONTROLLER_ADDRESS, static_cast<quint8>(event.at(0)),
               event.mid(1), now);
    // The wait for the ACK starts once the frame's last byte is out.
    const double lastOut = out_.empty() ? now : out_.back().first;
    if (eventSends_ == 1)
        eventOutAt_ = lastOut;
    ackTimer_.start(timings().controllerAckWaitMs + std::max(0, static_cast<int>(std::ceil(lastOut - now))));
}

void SimController::eventAckTimeout() {
    if (!eventInFlight_ || events_.empty())
        return;
    if (eventSends_ < EVENT_SENDS) {
        sendFrontEvent();
        return;
    }
    qCDebug(lcSim) << device_ << "event dropped after" << eventSends_ << "sends";
    dropped_.push_back(events_.front());
    events_.pop_front();
    eventInFlight_ = false;
    eventSends_ = 0;
    sendNextEvent();
}

} // namespace kestrum::sim
