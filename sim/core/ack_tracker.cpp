#include "core/ack_tracker.h"

#include "core/fbus_frame.h"

#include <algorithm>

namespace auxsim {

void AckTracker::sent(std::uint64_t tag, std::uint8_t seqBits, bool corrupted, TimeUs at)
{
    waiting_.push_back({tag, static_cast<std::uint8_t>(seqBits & 7), corrupted, at});
}

std::optional<AckTracker::Outcome> AckTracker::ackReceived(std::uint8_t type, std::uint8_t seqBits)
{
    if (type != fbus::kTypeService)
        return std::nullopt;
    const auto it = std::find_if(waiting_.begin(), waiting_.end(),
                                 [seqBits](const Waiting &w) { return w.seqBits == seqBits; });
    if (it == waiting_.end())
        return std::nullopt;
    const Outcome outcome{it->tag, true, it->corrupted};
    waiting_.erase(it);
    return outcome;
}

std::vector<AckTracker::Outcome> AckTracker::expire(TimeUs now)
{
    std::vector<Outcome> expired;
    while (!waiting_.empty() && now - waiting_.front().sentAt >= wait_) {
        expired.push_back({waiting_.front().tag, false, waiting_.front().corrupted});
        waiting_.pop_front();
    }
    return expired;
}

std::optional<TimeUs> AckTracker::deadline() const
{
    if (waiting_.empty())
        return std::nullopt;
    return waiting_.front().sentAt + wait_;
}

} // namespace auxsim
