#pragma once

#include "base/backoff.h"

namespace auxpad {

// How a lost line is looked for again, by a bring-up that waits for its board and by a
// slot whose board went: as anything else that failed is tried again, 1 s after it went
// and then twice as long each time, but never more than 4 s apart, so a board that is
// back is noticed within 4 s. Each wait for a line starts its own: once the line is back,
// the next loss is looked for after 1 s again.
inline Backoff lineLooks()
{
    return Backoff(4000);
}

} // namespace auxpad
