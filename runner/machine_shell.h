#pragma once


#include <algorithm>
#include <optional>

#include "clock/clock.h"

namespace auxpad {

// What every Qt shell of a machine does after giving it an input: runs what the machine
// asks for, in its order, and arms a timer for its next deadline. An input given while
// the outputs run (a job that ends at once) adds its outputs to the same loop; `busy`
// says a loop is under way, and a call made inside it leaves the rest to that loop.
template <typename Machine, typename Run>
void runOutputs(Machine& machine, bool& busy, Timer& deadline, Millis now, Run&& run)
{
    if (busy)
        return;
    busy = true;
    for (auto outputs = machine.takeOutputs(); !outputs.empty(); outputs = machine.takeOutputs()) {
        for (const auto& output : outputs)
            run(output);
    }
    busy = false;
    if (const std::optional<Millis> due = machine.nextDeadline())
        deadline.start(std::max<Millis>(0, tickDiff(*due, now)));
    else
        deadline.stop();
}

} // namespace auxpad
