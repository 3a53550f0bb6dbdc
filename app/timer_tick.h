#pragma once

namespace auxpad {

struct Station;

// Every 500 ms: the receiver's tick, the sender's tick, one sequencer step.
void Timer1_Timer(Station& st);

} // namespace auxpad
