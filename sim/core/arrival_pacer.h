#pragma once

#include "core/types.h"

#include <deque>
#include <optional>
#include <span>

namespace auxsim {

// Gives each byte read from the line the time at which it would have fully
// arrived on a real serial line: no earlier than the previous byte's arrival
// plus one byte time. A pty delivers a whole block at once; the board must
// not act on it before its last byte could have been there.
class ArrivalPacer {
public:
    explicit ArrivalPacer(TimeUs byteTime) : byteTime_(byteTime) {}

    void push(std::span<const std::uint8_t> bytes, TimeUs readAt);

    struct Arrival {
        std::uint8_t byte;
        TimeUs at;
    };
    // The next byte whose arrival time has come, if any.
    std::optional<Arrival> pop(TimeUs now);
    std::optional<TimeUs> nextArrival() const;

private:
    TimeUs byteTime_;
    TimeUs last_ = 0;
    std::deque<Arrival> pending_;
};

} // namespace auxsim
