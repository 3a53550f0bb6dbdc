#include "bringup/tally.h"

namespace auxpad {

Verdict verdictOf(JobOutcome outcome, bool alreadyPassed)
{
    // Only a running job has no verdict, and a job that ends is no longer running.
    return boards::verdictOf(alreadyPassed ? words::kAlreadyPassed : outcomeName(outcome)).value_or(Verdict::Failed);
}

} // namespace auxpad
