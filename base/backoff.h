#pragma once

#include <algorithm>

#include "base/ticks.h"

namespace auxpad {

// How long to wait before trying again something that failed (a delivery to the line's
// database, a label to its printer, a line that went): 1 s after the first failure, then
// twice as long each time, never more than its longest pause, a minute unless said
// otherwise; a success starts over.
class Backoff {
public:
    static constexpr Millis kFirstMs = 1000;
    static constexpr Millis kLongestMs = 60000;

    Backoff() = default;
    explicit constexpr Backoff(Millis longestMs) : longestMs_(longestMs) {}

    Millis failed()
    {
        waitMs_ = waitMs_ == 0 ? kFirstMs : std::min(waitMs_ * 2, longestMs_);
        return waitMs_;
    }
    void succeeded() { waitMs_ = 0; }

private:
    Millis longestMs_ = kLongestMs;
    Millis waitMs_ = 0;
};

} // namespace auxpad
