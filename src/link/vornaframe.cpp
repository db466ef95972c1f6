#include "vornaframe.h"

namespace kestrum::link {

Trama_GenVorna emptyTrama() {
    Trama_GenVorna t;
    t.fill(FILLER);
    return t;
}

std::vector<std::uint8_t> buildFrame(std::uint8_t destination, std::uint8_t source, std::uint8_t command,
                                     std::span<const std::uint8_t> data, std::uint8_t spoil) {
    std::vector<std::uint8_t> out;
    out.reserve(8 + 2 * data.size());
    std::uint8_t checksum = 0;
    auto put = [&out](std::uint8_t b) {
        out.push_back(b);
        if (b == DLE)
            out.push_back(DLE);
    };
    auto putCounted = [&](std::uint8_t b) {
        checksum ^= b;
        put(b);
    };
    out.push_back(DLE);
    out.push_back(STX);
    putCounted(destination);
    putCounted(source);
    putCounted(command);
    for (auto b : data)
        putCounted(b);
    put(static_cast<std::uint8_t>(checksum ^ spoil));
    out.push_back(DLE);
    out.push_back(ETX);
    return out;
}

bool Es_Incidencia(std::uint8_t code) {
    return code == 0x31 || code == 0x35 || code == 0x37 || code == 0x45;
}

bool Es_Respuesta_Esperada(std::uint8_t command, std::uint8_t code) {
    switch (command) {
    case 26:
    case 34:
    case 65:
    case 81:
    case 85:
    case 97:
        return code == 6;
    case 27:
        return code == 44;
    case 29:
        return code == 45;
    case 37:
        return code == 38;
    case 113:
        return code == 47;
    default:
        return false;
    }
}

void VornaReceiver::reset() {
    state_ = State::Espera_DLE;
    returnState_ = State::Espera_DLE;
    bodyCount_ = 0;
    checksum_ = 0;
    literalDle_ = false;
    overflow_ = false;
    skipping_ = false;
}

void VornaReceiver::feed(std::span<const std::uint8_t> chunk, Sink& sink) {
    literalDle_ = false;
    for (auto b : chunk)
        step(b, sink);
}

void VornaReceiver::startFrame() {
    skipping_ = false;
    bodyCount_ = 0;
    checksum_ = 0;
    overflow_ = false;
    state_ = State::Destino;
}

void VornaReceiver::drop() {
    ++dropped_;
    skipping_ = true;
    state_ = State::Espera_DLE;
}

void VornaReceiver::storeBody(std::uint8_t byte) {
    literalDle_ = false;
    // A body over 255 bytes cannot be counted; the frame is dropped at its end.
    if (bodyCount_ < MAX_BODY)
        body_[bodyCount_++] = byte;
    else
        overflow_ = true;
    checksum_ ^= byte;
}

// How a state takes a byte that is not a framing DLE (a plain byte or the second of a DLE pair).
void VornaReceiver::plainByte(State in, std::uint8_t byte, Sink& sink) {
    switch (in) {
    case State::Destino:
        // Controllers never use 0x10 as an address; such frames are not ours to guess at.
        if (byte != own_ || byte == DLE) {
            skipping_ = true; // the rest of that frame is not ours and holds no ACK
            state_ = State::Espera_DLE;
            return;
        }
        checksum_ = byte;
        state_ = State::Origen;
        return;
    case State::Origen:
        if (byte == DLE) {
            drop();
            return;
        }
        lastSource_ = byte;
        sink.sourceSeen(byte);
        checksum_ ^= byte;
        state_ = State::Cuerpo;
        return;
    case State::Cuerpo:
        storeBody(byte);
        state_ = State::Cuerpo;
        return;
    default:
        state_ = State::Espera_DLE;
        return;
    }
}

void VornaReceiver::step(std::uint8_t byte, Sink& sink) {
    switch (state_) {
    case State::Espera_DLE:
        if (byte == DLE)
            state_ = State::Espera_STX;
        else if (byte == ACK && !skipping_)
            sink.loneAck(); // only between frames: a data byte 0x06 is never an ACK
        return;
    case State::Espera_STX:
        if (byte == STX) {
            startFrame();
            return;
        }
        if (byte == ETX)
            skipping_ = false;
        state_ = State::Espera_DLE;
        return;
    case State::Destino:
    case State::Origen:
        if (byte == DLE) {
            returnState_ = state_;
            state_ = State::Tras_DLE;
            return;
        }
        plainByte(state_, byte, sink);
        return;
    case State::Cuerpo:
        if (byte == DLE && !literalDle_) {
            returnState_ = State::Cuerpo;
            state_ = State::Tras_DLE;
            return;
        }
        storeBody(byte);
        return;
    case State::Tras_DLE:
        if (byte == STX) {
            startFrame();
            return;
        }
        if (byte == ETX) {
            endFrame(sink);
            return;
        }
        if (byte == DLE) {
            plainByte(returnState_, byte, sink);
            return;
        }
        if (returnState_ == State::Cuerpo) {
            // A lone DLE inside the body is taken as a literal data byte, whatever the read boundaries.
            literalDle_ = true;
            state_ = State::Cuerpo;
            step(DLE, sink);
            step(byte, sink);
            return;
        }
        drop(); // a lone DLE in an address position
        return;
    }
}

void VornaReceiver::endFrame(Sink& sink) {
    state_ = State::Espera_DLE;
    // A frame needs at least a code and a checksum, and a body that fitted.
    if (returnState_ != State::Cuerpo || bodyCount_ < 2 || overflow_ || checksum_ != 0) {
        ++dropped_;
        return;
    }
    sink.frameReceived(lastSource_, std::span<const std::uint8_t>(body_.data(), bodyCount_ - 1));
}

} // namespace kestrum::link
