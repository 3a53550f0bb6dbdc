#include "bringup/tally.h"

namespace auxpad {

Verdict verdictOf(JobOutcome outcome, bool alreadyPassed)
{
    if (alreadyPassed || outcome == JobOutcome::Passed)
        return Verdict::Passed;
    if (outcome == JobOutcome::Interrupted)
        return Verdict::Interrupted;
    return Verdict::Failed;
}

void Tally::add(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Passed:
        ++passed;
        break;
    case Verdict::Failed:
        ++failed;
        break;
    case Verdict::Interrupted:
        ++interrupted;
        break;
    }
}

} // namespace auxpad
