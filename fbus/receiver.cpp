#include "fbus/receiver.h"

#include <string>

namespace auxpad {

namespace {
constexpr int kDropAfterTicks = 2;
}

void FrameReceiver::store(std::uint8_t b)
{
    buffer_[pos_++] = b;
    ticksLeft_ = kDropAfterTicks;
}

void FrameReceiver::headerError(const char* message)
{
    state_ = State::Idle;
    out_.logTraffic(std::string("\n") + message);
}

std::span<const std::uint8_t> FrameReceiver::push(std::uint8_t b)
{
    std::string text = state_ == State::Idle ? "\n<" : "";
    appendHexByte(text, b);
    out_.logTraffic(text);

    switch (state_) {
    case State::Idle:
        // Any byte but the start byte is stray, 0x5E included: taking it for the start of
        // some other kind of frame would leave the receiver deaf until a restart.
        if (b == kFrameStart) {
            state_ = State::ReceiverAddress;
            buffer_[0] = b;
            pos_ = 1;
            ticksLeft_ = kDropAfterTicks;
            xorEven_ = b;
        }
        break;
    case State::ReceiverAddress:
        if (b != kToolAddress) {
            headerError("FBUS receiver error!");
            break;
        }
        state_ = State::SenderAddress;
        store(b);
        xorOdd_ = b;
        break;
    case State::SenderAddress:
        if (b != kBoardAddress) {
            headerError("FBUS sender error!");
            break;
        }
        state_ = State::Type;
        store(b);
        xorEven_ ^= b;
        break;
    case State::Type:
        state_ = State::LengthHigh;
        store(b);
        xorOdd_ ^= b;
        break;
    case State::LengthHigh:
        if (b != 0x00) {
            headerError("FBUS length MSB error!");
            break;
        }
        state_ = State::LengthLow;
        store(b);
        xorEven_ ^= b;
        break;
    case State::LengthLow:
        if (b > kMaxReceivedLength) {
            headerError("FBUS length error!"); // would not fit the buffer
            break;
        }
        state_ = State::Body;
        store(b);
        frameSize_ = b + 8u + (b & 1u);
        xorOdd_ ^= b;
        oddNext_ = false;
        break;
    case State::Body:
        buffer_[pos_++] = b;
        (oddNext_ ? xorOdd_ : xorEven_) ^= b;
        oddNext_ = !oddNext_;
        if (pos_ == frameSize_) {
            state_ = State::Idle;
            if (xorEven_ == 0 && xorOdd_ == 0)
                return {buffer_.data(), frameSize_};
        } else {
            ticksLeft_ = kDropAfterTicks;
        }
        break;
    }
    return {};
}

void FrameReceiver::tick()
{
    if (state_ == State::Idle)
        return;
    if (--ticksLeft_ == 0)
        state_ = State::Idle; // a frame that stopped half-way is forgotten silently
}

} // namespace auxpad
