#pragma once

#include "core/types.h"

#include <deque>
#include <optional>
#include <vector>

namespace auxsim {

// The board's service messages that wait for the tool's acknowledgement.
// An acknowledgement settles the oldest waiting message with the same
// sequence bits; a message not acknowledged within the wait is settled as
// unacknowledged.
class AckTracker {
public:
    static constexpr TimeUs kDefaultWait = 1000 * kUsPerMs;

    explicit AckTracker(TimeUs wait = kDefaultWait) : wait_(wait) {}

    struct Outcome {
        std::uint64_t tag = 0;
        bool acked = false;
        bool corrupted = false;
    };

    void sent(std::uint64_t tag, std::uint8_t seqBits, bool corrupted, TimeUs at);
    std::optional<Outcome> ackReceived(std::uint8_t type, std::uint8_t seqBits);
    std::vector<Outcome> expire(TimeUs now);
    std::optional<TimeUs> deadline() const;

private:
    struct Waiting {
        std::uint64_t tag;
        std::uint8_t seqBits;
        bool corrupted;
        TimeUs sentAt;
    };
    TimeUs wait_;
    std::deque<Waiting> waiting_;
};

} // namespace auxsim
