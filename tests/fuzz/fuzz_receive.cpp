// libFuzzer target for the receive machine. The input is a raw byte stream or, when its first byte says
// so, a script that builds a stream of good, damaged, foreign and truncated frames with stray bytes in
// and between them. For every stream the receiver must report exactly what the separately written
// reference parser reads, whatever the read boundaries; every frame it reports must end right there
// in the input with a checksum that verifies and a body within the cap; every ACK must be a 0x06 read
// between frames; and after the stream a frame parses back at any length up to the cap and is refused
// one byte over it.
#include "reference_parser.h"
#include "vornaframe.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <span>
#include <vector>

using namespace kestrum::link;
using kestrum::fuzzref::Event;

namespace {

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> in) : in_(in) {}
    bool empty() const { return pos_ >= in_.size(); }
    std::uint8_t byte() { return empty() ? 0 : in_[pos_++]; }
    std::span<const std::uint8_t> take(std::size_t n) {
        const auto out = in_.subspan(pos_, std::min(n, in_.size() - pos_));
        pos_ += out.size();
        return out;
    }

private:
    std::span<const std::uint8_t> in_;
    std::size_t pos_ = 0;
};

// Data rich in the bytes that framing gives a meaning to.
std::vector<std::uint8_t> payload(Reader& r, std::size_t n) {
    static constexpr std::uint8_t framing[] = {DLE, DLE, ACK, STX, ETX};
    std::uint32_t x = r.byte() * 2654435761u + 1;
    const std::uint8_t plainShare = r.byte() % 8;
    std::vector<std::uint8_t> out(n);
    for (auto& b : out) {
        x = x * 1664525u + 1013904223u;
        const std::uint8_t v = static_cast<std::uint8_t>(x >> 24);
        b = (v & 7) < plainShare ? static_cast<std::uint8_t>(x >> 16) : framing[v % std::size(framing)];
    }
    return out;
}

// Lengths favour a body right at the cap and one byte over it.
std::size_t dataLength(Reader& r) {
    const std::uint8_t sel = r.byte();
    switch (sel & 3) {
    case 0:
        return MAX_BODY - 2;
    case 1:
        return MAX_BODY - 1;
    case 2:
        return sel >> 4;
    default:
        return r.byte();
    }
}

std::vector<std::uint8_t> scriptedStream(Reader& r, std::uint8_t own) {
    std::vector<std::uint8_t> s;
    auto append = [&s](std::span<const std::uint8_t> b) { s.insert(s.end(), b.begin(), b.end()); };
    auto frame = [&](std::uint8_t destination, std::uint8_t spoil) {
        const std::uint8_t source = r.byte();
        const std::uint8_t code = r.byte();
        const auto data = payload(r, dataLength(r));
        return buildFrame(destination, source, code, data, spoil);
    };
    while (!r.empty() && s.size() < 8192) {
        const std::uint8_t op = r.byte();
        switch (op % 8) {
        case 0:
        case 1:
            append(frame(own, 0));
            break;
        case 2:
            append(frame(own, static_cast<std::uint8_t>(1u << (op >> 5))));
            break;
        case 3: {
            const std::uint8_t other = r.byte();
            append(frame(other == own ? static_cast<std::uint8_t>(own ^ 0x80) : other, 0));
            break;
        }
        case 4: {
            auto f = frame(own, 0);
            f.resize(1 + (f.size() - 1) * r.byte() / 256);
            append(f);
            break;
        }
        case 5: {
            auto f = frame(own, 0);
            const std::size_t at = 1 + (f.size() - 1) * r.byte() / 256;
            f.insert(f.begin() + static_cast<std::ptrdiff_t>(at), (op & 0x80) ? DLE : ACK);
            append(f);
            break;
        }
        case 6: {
            static constexpr std::uint8_t stray[][2] = {{ACK}, {DLE}, {DLE, ETX}, {DLE, STX}, {ETX}, {STX}};
            const auto& b = stray[(op >> 3) % std::size(stray)];
            append(std::span(b, b[1] ? 2 : 1));
            break;
        }
        default:
            append(r.take(op >> 4));
        }
    }
    return s;
}

Event frameEvent(std::uint8_t source, std::span<const std::uint8_t> body) {
    return {Event::Kind::Frame, source, {body.begin(), body.end()}};
}

struct Collect : VornaReceiver::Sink {
    std::vector<Event> events;
    void frameReceived(std::uint8_t source, std::span<const std::uint8_t> body) override {
        events.push_back(frameEvent(source, body));
    }
    void loneAck() override { events.push_back({Event::Kind::Ack}); }
    void sourceSeen(std::uint8_t source) override { events.push_back({Event::Kind::Source, source}); }
};

// Fed one byte at a time, so each report can be checked against the byte that caused it.
struct Watch : Collect {
    const VornaReceiver* rx = nullptr;
    std::span<const std::uint8_t> stream;
    std::size_t pos = 0;

    void frameReceived(std::uint8_t source, std::span<const std::uint8_t> body) override {
        // The frame ends with the DLE ETX just read; the byte before that is its checksum.
        if (pos < 2 || stream[pos - 1] != DLE || stream[pos] != ETX)
            std::abort();
        if (body.empty() || body.size() + 1 > MAX_BODY)
            std::abort();
        std::uint8_t sum = rx->ownAddress() ^ source;
        for (auto b : body)
            sum ^= b;
        if (sum != stream[pos - 2])
            std::abort();
        Collect::frameReceived(source, body);
    }
    void loneAck() override {
        if (stream[pos] != ACK || rx->state() != VornaReceiver::State::Espera_DLE)
            std::abort();
        Collect::loneAck();
    }
    void sourceSeen(std::uint8_t source) override {
        if (stream[pos] != source)
            std::abort();
        Collect::sourceSeen(source);
    }
};

std::vector<Event> feedSplit(std::span<const std::uint8_t> stream, std::uint8_t own, std::uint32_t seed) {
    VornaReceiver r(own);
    Collect c;
    for (std::size_t i = 0; i < stream.size();) {
        seed = seed * 1664525u + 1013904223u;
        const std::size_t n = std::min<std::size_t>(1 + (seed >> 24) % 17, stream.size() - i);
        r.feed(stream.subspan(i, n), c);
        i += n;
    }
    return c.events;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const std::uint8_t header = data[0];
    Reader r(std::span(data + 1, size - 1));
    std::uint8_t own = CONSOLE_ADDRESS;
    if (header & 0x40) {
        // Controllers never use 0x10 as an address.
        own = r.byte();
        if (own == DLE)
            own = CONSOLE_ADDRESS;
    }
    std::vector<std::uint8_t> stream;
    if (header & 0x80) {
        stream = scriptedStream(r, own);
    } else {
        const auto rest = r.take(size);
        stream.assign(rest.begin(), rest.end());
    }

    VornaReceiver rx(own);
    Watch w;
    w.rx = &rx;
    w.stream = stream;
    for (; w.pos < stream.size(); ++w.pos)
        rx.feed(std::span(stream).subspan(w.pos, 1), w);

    if (w.events != kestrum::fuzzref::parseStream(stream, own))
        std::abort();
    VornaReceiver whole(own);
    Collect c;
    whole.feed(stream, c);
    if (c.events != w.events || feedSplit(stream, own, header) != w.events)
        std::abort();

    // Whatever came before, DLE ETX ends it; then a frame parses back if its body fits the cap.
    const std::uint8_t end[] = {DLE, ETX};
    whole.feed(end, c);
    Reader tail(std::span(data, size).last(std::min<std::size_t>(size, 6)));
    std::uint8_t source = tail.byte();
    if (source == DLE)
        source = CONTROLLER_ADDRESS;
    const std::uint8_t code = tail.byte();
    const auto frameData = payload(tail, dataLength(tail));
    c.events.clear();
    whole.feed(buildFrame(own, source, code, frameData), c);
    std::vector<Event> expected{{Event::Kind::Source, source}};
    if (frameData.size() + 2 <= MAX_BODY) {
        std::vector<std::uint8_t> reported{code};
        reported.insert(reported.end(), frameData.begin(), frameData.end());
        expected.push_back(frameEvent(source, reported));
    }
    if (c.events != expected)
        std::abort();
    return 0;
}
