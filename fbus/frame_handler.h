#pragma once

namespace auxpad {

struct Station;

// Acts on a complete, checked frame in FBUS_RX: answers the registration, ends the
// acknowledgement wait, acknowledges and passes on service messages.
void FBUS_FRAME_IN(Station& st);

} // namespace auxpad
