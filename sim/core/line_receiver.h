#pragma once

#include "core/boot_block.h"
#include "core/fbus_frame.h"
#include "core/types.h"

#include <optional>
#include <string>
#include <vector>

namespace auxsim {

// One unit that the receiver has finished with.
struct RxEvent {
    enum class Kind { Frame, BadFrame, Block, BadBlock, Stray };
    Kind kind = Kind::Stray;
    Bytes raw;           // the bytes of the unit as received
    std::string problem; // why a bad frame or block was refused
    Frame frame;         // Kind::Frame
    Bytes blockData;     // Kind::Block
};

// Sorts the bytes from the tool by the first byte seen while idle: 1E starts
// an FBUS frame, 80 a bootloader block, anything else is a stray byte. Header
// bytes are checked as they come; a byte that breaks a header is looked at
// again as a possible start, so a stray 80 does not swallow the frame after it.
class LineReceiver {
public:
    static constexpr TimeUs kSilenceLimit = 1000 * kUsPerMs;

    std::vector<RxEvent> feed(std::uint8_t byte, TimeUs at);

    // Drops a half-received unit once nothing has arrived for kSilenceLimit.
    std::optional<RxEvent> expire(TimeUs now);
    std::optional<TimeUs> deadline() const;
    bool idle() const { return state_ == State::Idle; }

private:
    enum class State { Idle, Frame, Block };

    void startOrStray(std::uint8_t byte, std::vector<RxEvent> &events);
    void feedFrame(std::uint8_t byte, std::vector<RxEvent> &events);
    void feedBlock(std::uint8_t byte, std::vector<RxEvent> &events);
    RxEvent finish(RxEvent::Kind kind, std::string problem);

    State state_ = State::Idle;
    Bytes unit_;
    std::size_t expected_ = 0; // total size once the length byte is in
    TimeUs lastByte_ = 0;
};

} // namespace auxsim
