#pragma once

#include <cstdint>

namespace auxpad {

struct Station;

// The byte-wise receiver: RX_BYTE with each received byte, RX_TICK every timer tick.
void FBUS_RECEIVE(Station& st, std::int32_t code, std::uint8_t b);

} // namespace auxpad
