#pragma once

#include <cstdint>

namespace auxpad {

// The station's millisecond tick counter: 32 bits, read as signed, so it wraps after
// about 49.7 days. Differences are taken with tickDiff.
using Millis = std::int32_t;

// now - then in 32-bit two's complement, without signed overflow.
constexpr Millis tickDiff(Millis now, Millis then)
{
    return static_cast<Millis>(static_cast<std::uint32_t>(now) - static_cast<std::uint32_t>(then));
}

// then + ms, wrapping like the counter.
constexpr Millis tickAdd(Millis then, Millis ms)
{
    return static_cast<Millis>(static_cast<std::uint32_t>(then) + static_cast<std::uint32_t>(ms));
}

} // namespace auxpad
