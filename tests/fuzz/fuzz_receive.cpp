// libFuzzer target for the receive machine. Checks, for any byte stream: no memory fault, the same
// frames whatever the read boundaries, sane frame sizes; and that a frame built from the input
// parses back to itself after that stream.
#include "vornaframe.h"

#include <cstdlib>
#include <string>
#include <vector>

using namespace kestrum::link;

namespace {

struct Collect : VornaReceiver::Sink {
    std::vector<std::string> items;
    void frameReceived(std::uint8_t source, std::span<const std::uint8_t> body) override {
        if (body.empty() || body.size() > MAX_BODY - 1)
            std::abort();
        std::string s(1, static_cast<char>(source));
        s.append(reinterpret_cast<const char*>(body.data()), body.size());
        items.push_back(s);
    }
    void loneAck() override { items.emplace_back("ACK"); }
};

std::vector<std::string> feedChunked(std::span<const std::uint8_t> stream, std::size_t chunk) {
    VornaReceiver r;
    Collect c;
    for (std::size_t i = 0; i < stream.size(); i += chunk)
        r.feed(stream.subspan(i, std::min(chunk, stream.size() - i)), c);
    return c.items;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const std::size_t chunk = 1 + data[0] % 129;
    const std::span<const std::uint8_t> stream(data + 1, size - 1);

    const auto whole = feedChunked(stream, stream.size() + 1);
    if (feedChunked(stream, 1) != whole || feedChunked(stream, chunk) != whole)
        std::abort();

    // Whatever came before, DLE ETX ends it and a well-formed frame then parses back exactly.
    const std::size_t n = std::min<std::size_t>(stream.size(), MAX_BODY - 2);
    const std::uint8_t code = size > 1 ? data[1] : 0x2C;
    const auto frame = buildFrame(CONSOLE_ADDRESS, CONTROLLER_ADDRESS, code, stream.first(n));
    VornaReceiver r;
    Collect c;
    r.feed(stream, c);
    const std::uint8_t end[] = {DLE, ETX};
    r.feed(end, c);
    c.items.clear();
    r.feed(frame, c);
    std::string expected(1, static_cast<char>(CONTROLLER_ADDRESS));
    expected.push_back(static_cast<char>(code));
    expected.append(reinterpret_cast<const char*>(stream.data()), n);
    if (c.items.size() != 1 || c.items[0] != expected)
        std::abort();
    return 0;
}
