#pragma once

#include <cstdint>
#include <vector>

namespace auxsim {

using Bytes = std::vector<std::uint8_t>;

// Simulation time in microseconds since the simulator started. Microseconds
// because one byte at 115200 bit/s lasts about 87 us.
using TimeUs = std::int64_t;

constexpr TimeUs kUsPerMs = 1000;

} // namespace auxsim
