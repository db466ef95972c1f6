// Link benchmarks, printed, not asserted:
//  1. receive-machine throughput on a realistic byte stream;
//  2. one store-card transaction (command 97 with its 100 ms pause) against a simulated controller
//     that paces its bytes at the wire speed, compared with the physical limit.
#include "portmap.h"
#include "simhost.h"
#include "udorqcomunicador.h"
#include "vornaframe.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace kestrum;
using namespace kestrum::link;

namespace {

struct CountingSink : VornaReceiver::Sink {
    std::size_t frames = 0;
    std::size_t acks = 0;
    void frameReceived(std::uint8_t, std::span<const std::uint8_t>) override { ++frames; }
    void loneAck() override { ++acks; }
};

std::vector<std::uint8_t> realisticStream(std::size_t bytes) {
    QRandomGenerator rng(42);
    std::vector<std::uint8_t> out;
    out.reserve(bytes + 64);
    while (out.size() < bytes) {
        std::uint8_t card[5];
        for (auto& b : card)
            b = static_cast<std::uint8_t>(rng.bounded(256));
        std::vector<std::uint8_t> f;
        switch (rng.bounded(4)) {
        case 0: {
            const std::uint8_t test[] = {2, 5, 10, 12, 1, 44};
            f = buildFrame(CONSOLE_ADDRESS, CONTROLLER_ADDRESS, 44, test);
            break;
        }
        case 1:
            f = buildFrame(CONSOLE_ADDRESS, CONTROLLER_ADDRESS, 47, card);
            break;
        case 2: {
            const std::uint8_t ev[] = {1, card[0], card[1], card[2], card[3], card[4]};
            f = buildFrame(CONSOLE_ADDRESS, CONTROLLER_ADDRESS, 0x31, ev);
            break;
        }
        default:
            f = {ACK};
        }
        out.insert(out.end(), f.begin(), f.end());
    }
    return out;
}

void parserThroughput() {
    const auto stream = realisticStream(16 * 1024 * 1024);
    CountingSink sink;
    VornaReceiver receiver;
    double best = 0;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer t;
        t.start();
        for (std::size_t i = 0; i < stream.size(); i += 128)
            receiver.feed(std::span(stream).subspan(i, std::min<std::size_t>(128, stream.size() - i)), sink);
        const double mbps =
            static_cast<double>(stream.size()) / 1e6 / (static_cast<double>(t.nsecsElapsed()) / 1e9);
        best = std::max(best, mbps);
    }
    std::printf(
        "receive machine: %.0f MB/s (best of 5 passes over %zu MB in 128-byte reads; %zu frames, %zu ACKs)\n",
        best, stream.size() >> 20, sink.frames, sink.acks);
}

void storeCard(bool loneAck) {
    constexpr int CARDS = 40;
    sim::SimHost host(1);
    host.with(1, [&](sim::SimController& c) {
        c.setPacing(true);
        c.setLoneAck(loneAck);
    });
    PortMap::setResolver([&](int) { return host.device(1); });
    DORQComunicador com;
    com.Fijar_Puerto(QStringLiteral("1"));
    com.Conectar();
    com.Fijar_Conectado(true);

    std::vector<double> times;
    int acknowledged = 0;
    for (int i = 0; i < CARDS; ++i) {
        const QString card = QString::number(1000000 + i * 7919);
        QElapsedTimer t;
        t.start();
        acknowledged += com.Enviar_Tarjeta(card) ? 1 : 0;
        times.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    double sum = 0;
    for (double v : times)
        sum += v;
    const double mean = sum / CARDS;

    const auto bcd = *Tarjeta_A_BCD(QStringLiteral("1000000"));
    const auto sent = buildFrame(CONTROLLER_ADDRESS, CONSOLE_ADDRESS, 97,
                                 std::span(reinterpret_cast<const std::uint8_t*>(bcd.constData()), 5));
    const std::size_t replyBytes =
        loneAck ? 1 : buildFrame(CONSOLE_ADDRESS, CONTROLLER_ADDRESS, 6, {}).size();
    const double limit =
        100.0 + static_cast<double>(sent.size() + replyBytes) * sim::SimController::WIRE_MS_PER_BYTE;
    std::printf(
        "store card (97), paced, reply %s: %d/%d acknowledged; mean %.2f ms, median %.2f ms, max %.2f ms; "
        "limit %.2f ms (100 ms pause + %zu bytes x 1.25 ms); ratio %.3f\n",
        loneAck ? "lone ACK" : "frame", acknowledged, CARDS, mean, times[CARDS / 2], times.back(), limit,
        sent.size() + replyBytes, mean / limit);
    PortMap::setResolver({});
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    parserThroughput();
    storeCard(false);
    storeCard(true);
    return 0;
}
