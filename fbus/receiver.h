#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "fbus/link_output.h"

namespace auxpad {

// Turns the bytes from the line into frames, one byte at a time: checks the header as it
// comes, counts the rest from the length byte, checks both XORs at the end, and drops a
// frame that stops half-way for two ticks. Every byte goes to the traffic log as it
// arrives.
class FrameReceiver {
public:
    explicit FrameReceiver(LinkOutput& out) : out_(out) {}

    // The frame this byte completed with a good checksum, valid until the next byte.
    std::span<const std::uint8_t> push(std::uint8_t b);
    void tick();

    bool idle() const { return state_ == State::Idle; }
    // The whole buffer: offsets past the end of a short frame hold what earlier frames
    // left there, which is what the tool reads at those offsets.
    const std::array<std::uint8_t, kFrameBufferSize>& buffer() const { return buffer_; }

private:
    enum class State { Idle, ReceiverAddress, SenderAddress, Type, LengthHigh, LengthLow, Body };

    void store(std::uint8_t b);
    void headerError(const char* message);

    LinkOutput& out_;
    State state_ = State::Idle;
    std::array<std::uint8_t, kFrameBufferSize> buffer_{};
    std::size_t pos_ = 0;
    std::size_t frameSize_ = 0;
    int ticksLeft_ = 0;      // before a half-received frame is dropped
    bool oddNext_ = false;   // the next body byte goes into the odd XOR
    std::uint8_t xorEven_ = 0;
    std::uint8_t xorOdd_ = 0;
};

} // namespace auxpad
