#include "fbus/link.h"

#include "fbus/catalogue.h"

namespace auxpad {

std::span<const std::uint8_t> FbusLink::receive(std::uint8_t b)
{
    const auto frame = receiver_.push(b);
    if (frame.empty())
        return {};
    const auto& rx = receiver_.buffer();
    switch (frame[3]) {
    case kRegistrationType:
        out_.logTraffic("      UI_REGISTRATION");
        sender_.queue({kFrameStart, kBoardAddress, kToolAddress, kRegistrationType, 0x00, 0x03, 0x05, 0x01, 0x41});
        sender_.restartSequence(0x42);
        return {};
    case kAckType:
        out_.logTraffic("            ACK MSG");
        sender_.acked();
        return {};
    case kServiceType:
        // A frame too short for an id shows whatever an earlier frame left at offset 9.
        out_.logTraffic("      " + messageName(rx[9]));
        sender_.acknowledge(frame[3], static_cast<std::uint8_t>(rx[frame[5] + 5u] & 7));
        return frame;
    default:
        return {};
    }
}

void FbusLink::tick()
{
    receiver_.tick();
    sender_.tick();
}

} // namespace auxpad
