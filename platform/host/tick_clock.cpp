#include "platform/host/tick_clock.h"

#include <chrono>

namespace platform {

std::int32_t TickClock::tickCount()
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count();
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(ms));
}

} // namespace platform
