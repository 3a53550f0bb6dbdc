#include "base/board_counts.h"

#include <cmath>

namespace auxpad {

namespace boards {

bool standsForBoard(std::string_view job, bool bringUpStep)
{
    if (job == words::kRun)
        return true;
    return !bringUpStep && (job == words::kFlash || job == words::kProductInfo);
}

std::optional<Verdict> verdictOf(std::string_view result)
{
    if (result == words::kPassed || result == words::kAlreadyPassed)
        return Verdict::Passed;
    if (result == words::kFailed)
        return Verdict::Failed;
    if (result == words::kInterrupted)
        return Verdict::Interrupted;
    return std::nullopt;
}

} // namespace boards

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

double Tally::yieldPercent(std::int64_t passed, std::int64_t tried)
{
    return tried > 0 ? std::round(1000.0 * static_cast<double>(passed) / static_cast<double>(tried)) / 10 : 0.0;
}

} // namespace auxpad
