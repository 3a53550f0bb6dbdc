#pragma once

#include <cstdint>

namespace auxpad {

// Pads the frame in `b` to even length and appends the XOR of the bytes at even offsets
// and the XOR of the bytes at odd offsets; `n` grows accordingly. `b` must have room for
// n + 3 bytes.
void FBUS_CHECKSUM(std::uint8_t* b, std::uint8_t& n);

} // namespace auxpad
