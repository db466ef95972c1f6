// A second reading of the controllers' serial stream, kept apart from the receive machine so that the
// fuzz target can hold one against the other. It reads the whole stream at once and favours being
// plainly right over being fast.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kestrum::fuzzref {

struct Event {
    enum class Kind : std::uint8_t { Source, Frame, Ack };
    Kind kind;
    std::uint8_t source = 0;        // Source and Frame
    std::vector<std::uint8_t> body; // Frame: code and data, without the checksum
    bool operator==(const Event&) const = default;
};

// What a console at `ownAddress` reads from `stream`, in order: each source address read in a frame
// for it, each good frame for it, each lone ACK between frames.
std::vector<Event> parseStream(std::span<const std::uint8_t> stream, std::uint8_t ownAddress);

} // namespace kestrum::fuzzref
