#pragma once

#include "platform/clock.h"

namespace platform {

// Milliseconds of the monotonic system clock, cut to 32 bits.
class TickClock final : public Clock {
public:
    std::int32_t tickCount() override;
};

} // namespace platform
