#pragma once

#include <array>
#include <cstdint>

#include "fbus/link_output.h"

namespace auxpad {

// The queued sender: frames leave one at a time, each awaiting the board's
// acknowledgement for two timer ticks before the next goes out; nothing is repeated.
// Acknowledgements of the board's own messages go out at once, past the queue.
class FrameSender {
public:
    explicit FrameSender(LinkOutput& out) : out_(out) {}

    // Wraps a payload (message id first) into a service message and queues it.
    void request(const Bytes& payload);
    // Queues a whole frame without its pad and checksum.
    void queue(Bytes frame);
    // Acknowledges a board message of `type` with the low three bits of its sequence byte.
    void acknowledge(std::uint8_t type, std::uint8_t seqBits);

    void pump();  // sends the next queued frame unless one awaits its acknowledgement
    void tick();  // counts down the acknowledgement wait
    void acked(); // the board acknowledged (any frame: acknowledgements are not matched)

    void restartSequence(std::uint8_t seq) { seq_ = seq; }
    std::uint8_t nextSequence() const { return seq_; }
    bool awaitingAck() const { return awaitingAck_; }

private:
    static constexpr std::size_t kSlots = 20; // one stays free, so 19 frames can wait

    Bytes write(Bytes frame); // adds pad and checksum, writes, returns the frame as sent
    void sendNext();

    LinkOutput& out_;
    std::array<Bytes, kSlots> slots_;
    std::size_t tail_ = 0; // where the next frame is queued
    std::size_t head_ = 0; // the next frame to leave
    bool awaitingAck_ = false;
    int ackTicksLeft_ = 0;
    std::uint8_t seq_ = 0x60;
    std::uint8_t transId_ = 0;
};

} // namespace auxpad
