#pragma once

#include "platform/windows.h"

namespace auxpad {

struct Station;

// The polling loop of the running tool; returns when no window is open any more.
// Each pass: window events, the sender's turn, then every waiting byte to the receiver
// in arrival order. When a pass finds nothing to read, the next one sleeps until an
// event (received bytes, timer, window) arrives instead of spinning.
void MAIN_LOOP(Station& st, platform::EventPump& events);

// One pass; false when no window is open. `idle` says whether it found nothing to read.
bool MAIN_LOOP_PASS(Station& st, platform::EventPump& events, bool waitForEvents, bool& idle);

} // namespace auxpad
