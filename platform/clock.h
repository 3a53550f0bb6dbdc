#pragma once

#include <cstdint>

namespace platform {

// Millisecond tick counter: 32 bits since system start, read as signed, so it wraps
// after about 49.7 days. Differences are taken with tickDiff.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int32_t tickCount() = 0;
};

// now - then in 32-bit two's complement, without signed overflow.
inline std::int32_t tickDiff(std::int32_t now, std::int32_t then)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(now) - static_cast<std::uint32_t>(then));
}

} // namespace platform
