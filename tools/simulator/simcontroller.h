// A simulated door controller on one pseudo-terminal. It answers the console's commands from its
// own card memory, reports card and door events on request, and injects faults on request.
// Not thread-safe: use it on the thread that owns it (SimHost runs controllers on a thread of their own).
#pragma once

#include "vornaframe.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <map>
#include <memory>
#include <vector>

class QSocketNotifier;

namespace kestrum::sim {

Q_DECLARE_LOGGING_CATEGORY(lcSim)

struct ControllerSetup {
    quint8 state = 2;     // state code reported by the test (2 = door closed)
    quint8 lockTime = 5;  // door lock time, 1..99
    quint8 openTime = 10; // door open time, 0..99
    quint8 version = 12;  // shown as 1.2
};

class SimController : public QObject {
    Q_OBJECT
public:
    static constexpr double WIRE_MS_PER_BYTE = 1.25; // 9600 baud, 12 bits a byte (8E2)
    static constexpr int EVENT_SENDS = 3;            // an unacknowledged event is sent this many times

    explicit SimController(const ControllerSetup& setup = {}, QObject* parent = nullptr);
    ~SimController() override;

    // Opens the pseudo-terminal; raises kestrum::Error with the system's message on failure.
    void start();
    // The path the console opens: the pseudo-terminal, or the alias when one is set.
    QString devicePath() const { return device_; }
    // Before start(): the controller is reached through a symbolic link at `path` that unplug()
    // removes. A pseudo-terminal's number is reused once freed; a path of the test's own is not,
    // so a console reopening an unplugged reader never reaches another test's simulator.
    void setAlias(const QString& path) { alias_ = path; }

    // Memory and identity.
    QStringList memory() const; // stored cards, position order, ten upper-case hex digits each
    void setMemory(const QStringList& cards);
    ControllerSetup setup() const { return setup_; }
    void setSetup(const ControllerSetup& s) { setup_ = s; }
    // Card count reported by the test; -1 (default) reports the real number of stored cards.
    void setReportedCount(int count) { reportedCount_ = count; }

    // Faults.
    void setSilent(bool on) { silent_ = on; }
    // Answer command `command` with a code 0x01 frame, `times` times (-1: until cleared).
    void refuse(quint8 command, int times = -1);
    void clearRefusals() { refusals_.clear(); }
    void corruptNextChecksum() { corruptNext_ = true; }
    void setReplySource(quint8 address) { replySource_ = address; } // answer from another address
    void setReplyDelay(int ms) { replyDelayMs_ = ms; }              // answer late
    void setGarbage(bool on) { garbage_ = on; }                     // bytes between frames
    void setLoneAck(bool on) { loneAck_ = on; }                     // answer code-6 commands with a lone 0x06
    void setPacing(bool on) { pacing_ = on; } // bytes take their wire time in both directions
    // Closes the pseudo-terminal, as a pulled adapter or a killed simulator does: the console's
    // side hangs up. The device path is gone for good.
    void unplug();

    // Events: a card presented ('1' with access code, 0x01 = granted), a door event ('7' with its
    // code), an event of code '5' or 'E'. Events go out one at a time, each waiting for the ACK.
    void presentCard(const QString& card, quint8 accessCode = 0x01);
    void doorEvent(quint8 doorCode);
    void plainEvent(quint8 code);
    // Any bytes, as they stand, after the output queued so far.
    void injectRaw(const QByteArray& bytes);
    // Sends a frame with the given addresses, code and data (checksum and DLE doubling done here).
    void sendFrame(quint8 destination, quint8 source, quint8 code, const QByteArray& data);

    // What it saw.
    int commandCount(quint8 command) const;
    int acksReceived() const { return acks_; }
    int eventsPending() const { return static_cast<int>(events_.size()); }
    QByteArray lastCommandData(quint8 command) const;
    // Code and data of each event the console acknowledged, in order, and of each given up on.
    const std::vector<QByteArray>& eventsAcknowledged() const { return acknowledged_; }
    const std::vector<QByteArray>& eventsDropped() const { return dropped_; }
    // For each acknowledged event: ms from its first frame's last byte to the ACK.
    const std::vector<double>& ackLatenciesMs() const { return ackLatencies_; }
    // The card text of an event's data as the console's log records it (hex of the card bytes).
    static QString cardOf(const QByteArray& event);

signals:
    void commandReceived(int command);
    void ackReceived();

private:
    struct Sink;
    void readable();
    void takeInput(const char* bytes, std::size_t count);
    double nowMs() const;
    void onFrame(std::uint8_t source, std::span<const std::uint8_t> body);
    void onAck();
    void answer(quint8 command, const QByteArray& data);
    void reply(quint8 code, const QByteArray& data);
    void replyLoneAck();
    void queueFrame(quint8 destination, quint8 source, quint8 code, const QByteArray& data, double notBefore);
    void queueOut(const QByteArray& bytes, double notBeforeMs);
    void pump();
    void sendNextEvent();
    void sendFrontEvent();
    void eventAckTimeout();
    int storedIndex(const QByteArray& card) const;

    ControllerSetup setup_;
    int masterFd_ = -1;
    int slaveFd_ = -1; // held open so that the console closing its side does not hang up the master
    QString device_;
    QString alias_;
    QSocketNotifier* notifier_ = nullptr;
    link::VornaReceiver receiver_{link::CONTROLLER_ADDRESS};
    std::unique_ptr<Sink> sink_;

    std::vector<QByteArray> cards_; // five bytes each, position order
    int reportedCount_ = -1;

    bool silent_ = false;
    std::map<quint8, int> refusals_;
    bool corruptNext_ = false;
    quint8 replySource_ = link::CONTROLLER_ADDRESS;
    int replyDelayMs_ = 0;
    bool garbage_ = false;
    bool loneAck_ = false;
    bool pacing_ = false;

    // Output scheduling: each byte has the time (ms since clock_ started) before which it is not written.
    QElapsedTimer clock_;
    double inputDoneAt_ = 0; // when the last received byte finished arriving, paced
    double outputFreeAt_ = 0;
    std::deque<std::pair<double, char>> out_;
    QTimer pumpTimer_;

    // Code and data of each event to send; the front one is in flight when eventInFlight_.
    std::deque<QByteArray> events_;
    bool eventInFlight_ = false;
    int eventSends_ = 0;
    double eventOutAt_ = 0; // when the in-flight event's first frame was fully out
    QTimer ackTimer_;
    std::vector<QByteArray> acknowledged_;
    std::vector<QByteArray> dropped_;
    std::vector<double> ackLatencies_;

    std::map<quint8, int> commandCounts_;
    std::map<quint8, QByteArray> lastData_;
    int acks_ = 0;
};

} // namespace kestrum::sim
