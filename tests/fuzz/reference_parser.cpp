#include "reference_parser.h"

namespace kestrum::fuzzref {

namespace {

// Written down again rather than taken from the codec, so that a wrong constant there shows.
constexpr std::uint8_t kDle = 0x10;
constexpr std::uint8_t kStx = 0x02;
constexpr std::uint8_t kEtx = 0x03;
constexpr std::uint8_t kAck = 0x06;
constexpr std::size_t kMaxBody = 255; // code, data and checksum

// What a frame is made of once the DLE escapes are read.
struct Unit {
    enum class Kind { Byte, LoneDle, Start, Stop, End } kind;
    std::uint8_t byte = 0;
    bool escaped = false; // the byte was written as DLE DLE
};

class Parser {
public:
    Parser(std::span<const std::uint8_t> in, std::uint8_t own) : in_(in), own_(own) {}

    std::vector<Event> run() {
        while (pos_ < in_.size()) {
            const std::uint8_t b = in_[pos_++];
            if (b == kAck) {
                if (!foreign_)
                    out_.push_back({Event::Kind::Ack});
                continue;
            }
            if (b != kDle || pos_ == in_.size())
                continue;
            const std::uint8_t next = in_[pos_++];
            if (next == kStx)
                frame();
            else if (next == kEtx)
                foreign_ = false;
            // Anything else after a DLE, a second DLE included, is data of a frame we are not reading.
        }
        return std::move(out_);
    }

private:
    Unit next() {
        if (pos_ == in_.size())
            return {Unit::Kind::End};
        const std::uint8_t b = in_[pos_++];
        if (b != kDle)
            return {Unit::Kind::Byte, b};
        if (pos_ == in_.size())
            return {Unit::Kind::End};
        switch (in_[pos_]) {
        case kDle:
            ++pos_;
            return {Unit::Kind::Byte, kDle, true};
        case kStx:
            ++pos_;
            return {Unit::Kind::Start};
        case kEtx:
            ++pos_;
            return {Unit::Kind::Stop};
        default:
            return {Unit::Kind::LoneDle}; // the byte after it is read as the next unit
        }
    }

    // Reads from just after a DLE STX up to the end of that frame; a DLE STX inside starts it over.
    void frame() {
        for (;;) {
            foreign_ = false;
            Unit u = next();
            if (u.kind == Unit::Kind::Start)
                continue;
            if (u.kind != Unit::Kind::Byte || u.escaped || u.byte != own_) {
                // Not ours, or an address that no controller uses: ignore the rest of it, ACKs included.
                foreign_ = u.kind == Unit::Kind::Byte || u.kind == Unit::Kind::LoneDle;
                return;
            }
            u = next();
            if (u.kind == Unit::Kind::Start)
                continue;
            if (u.kind != Unit::Kind::Byte || u.escaped) {
                foreign_ = u.kind == Unit::Kind::Byte || u.kind == Unit::Kind::LoneDle;
                return;
            }
            const std::uint8_t source = u.byte;
            out_.push_back({Event::Kind::Source, source});

            std::vector<std::uint8_t> body;
            for (;;) {
                u = next();
                if (u.kind == Unit::Kind::Byte)
                    body.push_back(u.byte);
                else if (u.kind == Unit::Kind::LoneDle)
                    body.push_back(kDle);
                else
                    break;
            }
            if (u.kind == Unit::Kind::Start)
                continue;
            if (u.kind == Unit::Kind::Stop)
                finish(source, body);
            return;
        }
    }

    void finish(std::uint8_t source, std::vector<std::uint8_t>& body) {
        if (body.size() < 2 || body.size() > kMaxBody)
            return;
        std::uint8_t sum = own_ ^ source;
        for (auto b : body)
            sum ^= b;
        if (sum != 0)
            return;
        body.pop_back();
        out_.push_back({Event::Kind::Frame, source, std::move(body)});
    }

    std::span<const std::uint8_t> in_;
    std::uint8_t own_;
    std::size_t pos_ = 0;
    bool foreign_ = false; // inside a frame for another address, until the next DLE ETX or DLE STX
    std::vector<Event> out_;
};

} // namespace

std::vector<Event> parseStream(std::span<const std::uint8_t> stream, std::uint8_t ownAddress) {
    return Parser(stream, ownAddress).run();
}

} // namespace kestrum::fuzzref
