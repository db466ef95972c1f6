// Frame codec and receive machine of the controllers' serial protocol.
// Plain C++ without I/O so that it can be tested with byte vectors and fuzzed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kestrum::link {

// A received frame as it is handed on: [0] source, [1] code, data from [2], then 0xFE filler.
using Trama_GenVorna = std::array<std::uint8_t, 513>;

inline constexpr std::uint8_t DLE = 0x10;
inline constexpr std::uint8_t STX = 0x02;
inline constexpr std::uint8_t ETX = 0x03;
inline constexpr std::uint8_t ACK = 0x06;
inline constexpr std::uint8_t FILLER = 0xFE;
inline constexpr std::uint8_t CODE_NO_REPLY = 0x01;
inline constexpr std::uint8_t CONSOLE_ADDRESS = 0x81;
inline constexpr std::uint8_t CONTROLLER_ADDRESS = 0xAA;
inline constexpr std::size_t MAX_BODY = 255; // code, data and checksum

Trama_GenVorna emptyTrama();

// Whole frame: DLE STX, destination, source, command, data, XOR checksum, DLE ETX, every inner DLE doubled.
// A non-zero `spoil` is XORed into the checksum byte (the simulator's corrupted frames).
std::vector<std::uint8_t> buildFrame(std::uint8_t destination, std::uint8_t source, std::uint8_t command,
                                     std::span<const std::uint8_t> data, std::uint8_t spoil = 0);

// Frame codes that a controller sends by itself to report an event.
bool Es_Incidencia(std::uint8_t code);

// Whether `code` is the reply that command `command` waits for.
bool Es_Respuesta_Esperada(std::uint8_t command, std::uint8_t code);

// Byte-by-byte receive machine. Each read is fed as one chunk; complete frames whose checksum
// verifies and lone ACK bytes between frames are reported to the sink.
class VornaReceiver {
public:
    enum class State : std::uint8_t { Espera_DLE, Espera_STX, Destino, Origen, Cuerpo, Tras_DLE };

    struct Sink {
        virtual ~Sink() = default;
        // body holds the code and the data, un-doubled, without the checksum byte
        virtual void frameReceived(std::uint8_t source, std::span<const std::uint8_t> body) = 0;
        virtual void loneAck() = 0;
        // a frame's source address was read (the reply buffer keeps it in its first byte)
        virtual void sourceSeen(std::uint8_t) {}
    };

    explicit VornaReceiver(std::uint8_t ownAddress = CONSOLE_ADDRESS) : own_(ownAddress) {}

    void setOwnAddress(std::uint8_t address) { own_ = address; }
    std::uint8_t ownAddress() const { return own_; }

    void feed(std::span<const std::uint8_t> chunk, Sink& sink);
    void reset();

    State state() const { return state_; }
    std::uint8_t lastSource() const { return lastSource_; }
    std::size_t droppedFrames() const { return dropped_; }

private:
    void step(std::uint8_t byte, Sink& sink);
    void plainByte(State in, std::uint8_t byte, Sink& sink);
    void storeBody(std::uint8_t byte);
    void startFrame();
    void endFrame(Sink& sink);
    void drop();

    std::uint8_t own_;
    State state_ = State::Espera_DLE;
    State returnState_ = State::Espera_DLE;
    std::array<std::uint8_t, 512> body_{};
    std::size_t bodyCount_ = 0;
    std::uint8_t checksum_ = 0;
    std::uint8_t lastSource_ = 0;
    bool literalDle_ = false;
    bool overflow_ = false;
    bool skipping_ = false; // inside a frame that is not ours, until its DLE ETX
    std::size_t dropped_ = 0;
};

} // namespace kestrum::link
