#include "core/arrival_pacer.h"

#include <algorithm>

namespace auxsim {

void ArrivalPacer::push(std::span<const std::uint8_t> bytes, TimeUs readAt)
{
    for (std::uint8_t b : bytes) {
        last_ = std::max(readAt, last_) + byteTime_;
        pending_.push_back({b, last_});
    }
}

std::optional<ArrivalPacer::Arrival> ArrivalPacer::pop(TimeUs now)
{
    if (pending_.empty() || pending_.front().at > now)
        return std::nullopt;
    Arrival a = pending_.front();
    pending_.pop_front();
    return a;
}

std::optional<TimeUs> ArrivalPacer::nextArrival() const
{
    if (pending_.empty())
        return std::nullopt;
    return pending_.front().at;
}

} // namespace auxsim
