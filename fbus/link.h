#pragma once

#include <span>

#include "fbus/receiver.h"
#include "fbus/sender.h"

namespace auxpad {

// The FBUS link to one board: the sender, the receiver, and what the link itself does
// with each complete frame. It answers the board's registration, ends the sender's wait
// on the board's acknowledgement, and acknowledges every service message of the board
// before handing it on, so the board has its acknowledgement before the tool reacts.
class FbusLink {
public:
    explicit FbusLink(LinkOutput& out) : sender_(out), receiver_(out), out_(out) {}

    // The board's service message this byte completed, if any; valid until the next byte.
    std::span<const std::uint8_t> receive(std::uint8_t b);

    // The timer tick: the receiver's, then the sender's.
    void tick();

    FrameSender& sender() { return sender_; }
    const FrameSender& sender() const { return sender_; }
    const FrameReceiver& receiver() const { return receiver_; }

private:
    FrameSender sender_;
    FrameReceiver receiver_;
    LinkOutput& out_;
};

} // namespace auxpad
