#pragma once

#include <cstdint>

namespace auxpad {

struct Station;

// Event code of BOARD_EVENT: a service message from the board lies in FBUS_RX and has
// been acknowledged.
constexpr std::int32_t BOARD_MSG_IN = 2;

void BOARD_EVENT(Station& st, std::int32_t code);

} // namespace auxpad
