// kestrum-sim: simulated door controllers on pseudo-terminals, driven by line commands on standard input.
#include "kerror.h"
#include "simhost.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <unistd.h>

using kestrum::sim::ControllerSetup;
using kestrum::sim::SimController;
using kestrum::sim::SimHost;

namespace {

// Every line is flushed at once: the tool is driven through pipes.
void say(const QString& line) {
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

struct BadCommand {
    QString reason;
};

std::optional<int> decimal(const QString& text) {
    bool ok = false;
    int value = 0;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = text.mid(2).toInt(&ok, 16);
    else
        value = text.toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

std::optional<quint8> hexByte(const QString& text) {
    bool ok = false;
    const uint value = text.toUInt(&ok, 16);
    return ok && value <= 0xFF ? std::optional<quint8>(static_cast<quint8>(value)) : std::nullopt;
}

quint8 byteArg(const QString& text, const char* what) {
    const auto value = decimal(text);
    if (!value || *value < 0 || *value > 0xFF)
        throw BadCommand{
            QStringLiteral("%1 must be a number from 0 to 255: '%2'").arg(QLatin1String(what), text)};
    return static_cast<quint8>(*value);
}

quint8 hexArg(const QString& text, const char* what) {
    const auto value = hexByte(text);
    if (!value)
        throw BadCommand{QStringLiteral("%1 must be a hex byte: '%2'").arg(QLatin1String(what), text)};
    return *value;
}

bool onOff(const QString& text) {
    if (text == QLatin1String("on"))
        return true;
    if (text == QLatin1String("off"))
        return false;
    throw BadCommand{QStringLiteral("on or off expected: '%1'").arg(text)};
}

const char* const HELP[] = {
    "present <n> <card> [<access code hex>]",
    "door <n> <code hex>",
    "event <n> 5|E",
    "silent <n> on|off",
    "refuse <n> <command number>|none [<times>]",
    "late <n> <ms>",
    "from <n> <address hex>",
    "corrupt <n>",
    "unplug <n>",
    "garbage <n> on|off",
    "lone-ack <n> on|off",
    "pace on|off",
    "state <n> <code>",
    "version <n> <v>",
    "count <n> <count>|real",
    "memory <n>",
    "stats <n>",
    "help",
    "quit",
};

class Console {
public:
    explicit Console(SimHost& host) : host_(host) {}

    // Returns false once the session is to end.
    bool line(const QString& text) {
        const QStringList words = text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty())
            return true;
        try {
            return run(words);
        } catch (const BadCommand& bad) {
            say(QStringLiteral("error: ") + bad.reason);
        }
        return true;
    }

private:
    void need(const QStringList& w, int least, int most) const {
        if (w.size() < least || w.size() > most)
            throw BadCommand{QStringLiteral("usage: %1").arg(usage(w[0]))};
    }

    static QString usage(const QString& command) {
        for (const char* h : HELP) {
            const QString line = QLatin1String(h);
            if (line.section(QLatin1Char(' '), 0, 0) == command)
                return line;
        }
        return command;
    }

    int controller(const QString& text) const {
        const auto n = decimal(text);
        if (!n || *n < 1 || *n > host_.size())
            throw BadCommand{QStringLiteral("no controller '%1' (1 to %2)").arg(text).arg(host_.size())};
        return *n;
    }

    // Runs a change on the controller's thread; a rejected argument comes back as its message.
    void change(int n, const std::function<void(SimController&)>& fn) {
        const QString failure = host_.with(n, [&](SimController& c) {
            try {
                fn(c);
            } catch (const kestrum::Error& e) {
                return e.message();
            }
            return QString();
        });
        if (!failure.isEmpty())
            throw BadCommand{failure};
        say(QStringLiteral("ok"));
    }

    bool run(const QStringList& w) {
        const QString& cmd = w[0];
        if (cmd == QLatin1String("help")) {
            for (const char* h : HELP)
                say(QLatin1String(h));
            say(QStringLiteral("end"));
        } else if (cmd == QLatin1String("quit")) {
            say(QStringLiteral("ok"));
            return false;
        } else if (cmd == QLatin1String("pace")) {
            need(w, 2, 2);
            const bool on = onOff(w[1]);
            for (int n = 1; n <= host_.size(); ++n)
                host_.with(n, [on](SimController& c) { c.setPacing(on); });
            say(QStringLiteral("ok"));
        } else if (cmd == QLatin1String("present")) {
            need(w, 3, 4);
            const int n = controller(w[1]);
            const QString card = w[2];
            const quint8 access = w.size() > 3 ? hexArg(w[3], "access code") : quint8{0x01};
            change(n, [&](SimController& c) { c.presentCard(card, access); });
        } else if (cmd == QLatin1String("door")) {
            need(w, 3, 3);
            const int n = controller(w[1]);
            const quint8 code = hexArg(w[2], "door code");
            change(n, [code](SimController& c) { c.doorEvent(code); });
        } else if (cmd == QLatin1String("event")) {
            need(w, 3, 3);
            const int n = controller(w[1]);
            quint8 code = 0;
            if (w[2] == QLatin1String("5"))
                code = 0x35;
            else if (w[2].compare(QLatin1String("E"), Qt::CaseInsensitive) == 0)
                code = 0x45;
            else
                throw BadCommand{QStringLiteral("event is 5 or E: '%1'").arg(w[2])};
            change(n, [code](SimController& c) { c.plainEvent(code); });
        } else if (cmd == QLatin1String("silent")) {
            need(w, 3, 3);
            const int n = controller(w[1]);
            const bool on = onOff(w[2]);
            change(n, [on](SimController& c) { c.setSilent(on); });
        } else if (cmd == QLatin1String("refuse")) {
            need(w, 3, 4);
            const int n = controller(w[1]);
            if (w[2] == QLatin1String("none")) {
                if (w.size() > 3)
                    throw BadCommand{QStringLiteral("usage: %1").arg(usage(cmd))};
                change(n, [](SimController& c) { c.clearRefusals(); });
            } else {
                const quint8 command = byteArg(w[2], "command");
                int times = -1;
                if (w.size() > 3) {
                    const auto t = decimal(w[3]);
                    if (!t || *t < -1)
                        throw BadCommand{
                            QStringLiteral("times must be a number, -1 for always: '%1'").arg(w[3])};
                    times = *t;
                }
                change(n, [command, times](SimController& c) { c.refuse(command, times); });
            }
        } else if (cmd == QLatin1String("late")) {
            need(w, 3, 3);
            const int n = controller(w[1]);
            const auto ms = decimal(w[2]);
            if (!ms || *ms < 0)
                throw BadCommand{QStringLiteral("delay must be milliseconds, 0 or more: '%1'").arg(w[2])};
            change(n, [ms = *ms](SimController& c) { c.setReplyDelay(ms); });
        } else if (cmd == QLatin1String("from")) {
            need(w, 3, 3);
            const int n = controller(w[1]);
            const quint8 address = hexArg(w[2], "address");
            change(n, [address](SimController& c) { c.setReplySource(address); });
        } else if (cmd == QLatin1String("unplug")) {
            need(w, 2, 2);
            change(controller(w[1]), [](SimController& c) { c.unplug(); });
        } else if (cmd == QLatin1String("corrupt")) {
            need(w, 2, 2);
            change(controller(w[1]), [](SimController& c) { c.corruptNextChecksum(); });
        } else if (cmd == QLatin1String("garbage")) {
            need(w, 3, 3);
            const int n = controller(w[1]);
            const bool on = onOff(w[2]);
            change(n, [on](SimController& c) { c.setGarbage(on); });
        } else if (cmd == QLatin1String("lone-ack")) {
            need(w, 3, 3);
            const int n = controller(w[1]);
            const bool on = onOff(w[2]);
            change(n, [on](SimController& c) { c.setLoneAck(on); });
        } else if (cmd == QLatin1String("state") || cmd == QLatin1String("version")) {
            need(w, 3, 3);
            const int n = controller(w[1]);
            const quint8 value = byteArg(w[2], cmd == QLatin1String("state") ? "state" : "version");
            const bool state = cmd == QLatin1String("state");
            change(n, [=](SimController& c) {
                ControllerSetup s = c.setup();
                (state ? s.state : s.version) = value;
                c.setSetup(s);
            });
        } else if (cmd == QLatin1String("count")) {
            need(w, 3, 3);
            const int n = controller(w[1]);
            int count = -1;
            if (w[2] != QLatin1String("real")) {
                const auto c = decimal(w[2]);
                if (!c || *c < 0 || *c > 0xFFFF)
                    throw BadCommand{QStringLiteral("count must be 0 to 65535 or 'real': '%1'").arg(w[2])};
                count = *c;
            }
            change(n, [count](SimController& c) { c.setReportedCount(count); });
        } else if (cmd == QLatin1String("memory")) {
            need(w, 2, 2);
            const QStringList cards =
                host_.with(controller(w[1]), [](SimController& c) { return c.memory(); });
            for (const auto& card : cards)
                say(card);
            say(QStringLiteral("end"));
        } else if (cmd == QLatin1String("stats")) {
            need(w, 2, 2);
            const QString line = host_.with(controller(w[1]), [](SimController& c) {
                int total = 0;
                for (int command = 0; command <= 0xFF; ++command)
                    total += c.commandCount(static_cast<quint8>(command));
                return QStringLiteral("commands=%1 acks=%2 pending_events=%3")
                    .arg(total)
                    .arg(c.acksReceived())
                    .arg(c.eventsPending());
            });
            say(line);
        } else {
            throw BadCommand{QStringLiteral("unknown command '%1' (try help)").arg(cmd)};
        }
        return true;
    }

    SimHost& host_;
};

// Reads standard input as it comes, without blocking the event loop; end of input ends the program.
class InputReader {
public:
    explicit InputReader(Console& console)
        : console_(console), notifier_(STDIN_FILENO, QSocketNotifier::Read) {
        QObject::connect(&notifier_, &QSocketNotifier::activated, [this] { readable(); });
    }

private:
    void readable() {
        char chunk[4096];
        const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            return;
        if (n <= 0) {
            if (!pending_.isEmpty())
                console_.line(QString::fromUtf8(pending_));
            finish();
            return;
        }
        pending_.append(chunk, n);
        qsizetype end = 0;
        while ((end = pending_.indexOf('\n')) >= 0) {
            const QString text = QString::fromUtf8(pending_.left(end));
            pending_.remove(0, end + 1);
            if (!console_.line(text)) {
                finish();
                return;
            }
        }
    }

    void finish() {
        notifier_.setEnabled(false);
        QCoreApplication::quit();
    }

    Console& console_;
    QSocketNotifier notifier_;
    QByteArray pending_;
};

// "N:VALUE" options, gathered by controller number.
std::map<int, QString> perController(const QStringList& values, const QString& option, int controllers) {
    std::map<int, QString> out;
    for (const auto& v : values) {
        const qsizetype colon = v.indexOf(QLatin1Char(':'));
        const auto n = colon > 0 ? decimal(v.left(colon)) : std::nullopt;
        if (!n || *n < 1 || *n > controllers)
            throw BadCommand{QStringLiteral("--%1 %2: N:VALUE with N from 1 to %3 expected")
                                 .arg(option, v)
                                 .arg(controllers)};
        out[*n] = v.mid(colon + 1);
    }
    return out;
}

quint8 optionByte(const QString& text, const QString& option) {
    const auto value = decimal(text.trimmed());
    if (!value || *value < 0 || *value > 0xFF)
        throw BadCommand{QStringLiteral("--%1: number from 0 to 255 expected: '%2'").arg(option, text)};
    return static_cast<quint8>(*value);
}

void applyOptions(const QCommandLineParser& parser, SimHost& host) {
    const int count = host.size();
    for (const auto& [n, v] :
         perController(parser.values(QStringLiteral("firmware")), QStringLiteral("firmware"), count)) {
        const quint8 version = optionByte(v, QStringLiteral("firmware"));
        host.with(n, [version](SimController& c) {
            auto s = c.setup();
            s.version = version;
            c.setSetup(s);
        });
    }
    for (const auto& [n, v] :
         perController(parser.values(QStringLiteral("state")), QStringLiteral("state"), count)) {
        const quint8 state = optionByte(v, QStringLiteral("state"));
        host.with(n, [state](SimController& c) {
            auto s = c.setup();
            s.state = state;
            c.setSetup(s);
        });
    }
    for (const auto& [n, v] :
         perController(parser.values(QStringLiteral("times")), QStringLiteral("times"), count)) {
        const QStringList parts = v.split(QLatin1Char(','));
        if (parts.size() != 2)
            throw BadCommand{QStringLiteral("--times: N:LOCK,OPEN expected: '%1'").arg(v)};
        const quint8 lock = optionByte(parts[0], QStringLiteral("times"));
        const quint8 open = optionByte(parts[1], QStringLiteral("times"));
        host.with(n, [lock, open](SimController& c) {
            auto s = c.setup();
            s.lockTime = lock;
            s.openTime = open;
            c.setSetup(s);
        });
    }
    for (const auto& [n, v] :
         perController(parser.values(QStringLiteral("cards")), QStringLiteral("cards"), count)) {
        const QStringList cards = v.split(QLatin1Char(','), Qt::SkipEmptyParts);
        const QString failure = host.with(n, [&cards](SimController& c) {
            try {
                c.setMemory(cards);
            } catch (const kestrum::Error& e) {
                return e.message();
            }
            return QString();
        });
        if (!failure.isEmpty())
            throw BadCommand{QStringLiteral("--cards: ") + failure};
    }
    const bool pace = parser.isSet(QStringLiteral("pace"));
    const bool loneAck = parser.isSet(QStringLiteral("lone-ack"));
    for (int n = 1; n <= count; ++n) {
        host.with(n, [pace, loneAck](SimController& c) {
            c.setPacing(pace);
            c.setLoneAck(loneAck);
        });
    }
}

} // namespace

int main(int argc, char* argv[]) {
    // A reader that goes away must not kill the simulator with SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kestrum-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KESTRUM_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated door controllers on pseudo-terminals. Prints COM<n>=<device> for each, then "
        "'ready', then takes commands on standard input (try 'help')."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("controllers"), QStringLiteral("Number of controllers (default 1)."),
                      QStringLiteral("N"), QStringLiteral("1")});
    parser.addOption({QStringLiteral("pace"), QStringLiteral("Bytes take their wire time at 9600 baud.")});
    parser.addOption(
        {QStringLiteral("lone-ack"), QStringLiteral("Answer with a lone 0x06 instead of code 6.")});
    parser.addVersionOption();
    parser.addOption({QStringLiteral("firmware"),
                      QStringLiteral("Firmware version of controller N (12 = 1.2)."), QStringLiteral("N:V")});
    parser.addOption({QStringLiteral("times"), QStringLiteral("Lock and open times of controller N."),
                      QStringLiteral("N:LOCK,OPEN")});
    parser.addOption(
        {QStringLiteral("state"), QStringLiteral("State code of controller N."), QStringLiteral("N:CODE")});
    parser.addOption({QStringLiteral("cards"), QStringLiteral("Cards stored in controller N."),
                      QStringLiteral("N:CARD,CARD,...")});
    // Wrong usage exits 2, as the other programs do (process() would exit 1).
    if (!parser.parse(app.arguments())) {
        std::fprintf(stderr, "kestrum-sim: %s\n%s", qPrintable(parser.errorText()),
                     qPrintable(parser.helpText()));
        return 2;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    const auto controllers = decimal(parser.value(QStringLiteral("controllers")));
    if (!controllers || *controllers < 1 || *controllers > 255) {
        std::fprintf(stderr, "kestrum-sim: --controllers must be a number from 1 to 255\n");
        return 2;
    }

    std::optional<SimHost> host;
    try {
        host.emplace(*controllers, kestrum::sim::ControllerSetup{}, SimHost::Names::System);
        applyOptions(parser, *host);
    } catch (const kestrum::Error& e) {
        std::fprintf(stderr, "kestrum-sim: %s\n", qPrintable(e.message()));
        return 1;
    } catch (const BadCommand& bad) {
        std::fprintf(stderr, "kestrum-sim: %s\n", qPrintable(bad.reason));
        return 2;
    }

    for (int n = 1; n <= host->size(); ++n)
        say(QStringLiteral("COM%1=%2").arg(n).arg(host->device(n)));
    say(QStringLiteral("ready"));

    Console console(*host);
    InputReader reader(console);
    return QCoreApplication::exec();
}
