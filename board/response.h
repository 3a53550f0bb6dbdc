#pragma once

namespace auxpad {

struct Station;

// Gives meaning to the service message in FBUS_RX.
void BOARD_RESPONSE(Station& st);

} // namespace auxpad
