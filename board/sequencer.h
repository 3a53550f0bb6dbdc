#pragma once

namespace auxpad {

struct Station;

// One step of the timer-driven sequencer.
void BOARD_SEQ(Station& st);

} // namespace auxpad
