#include "base/board_counts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

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

double FirstTries::failedPercent() const
{
    return Tally::yieldPercent(failed, boards);
}

double binomialTail(std::int64_t n, std::int64_t k, double p)
{
    if (k <= 0)
        return 1;
    if (k > n || p <= 0)
        return 0;
    if (p >= 1)
        return 1;
    // Term by term in logarithms, so that a year of a slot's boards neither overflows nor
    // loses the small terms that make up a small tail.
    const double logP = std::log(p), logQ = std::log1p(-p);
    const double logN = std::lgamma(static_cast<double>(n) + 1);
    double tail = 0;
    for (std::int64_t i = k; i <= n; ++i) {
        const double term = std::exp(logN - std::lgamma(static_cast<double>(i) + 1)
                                     - std::lgamma(static_cast<double>(n - i) + 1) + static_cast<double>(i) * logP
                                     + static_cast<double>(n - i) * logQ);
        tail += term;
        if (term < tail * 1e-17 && static_cast<double>(i) > static_cast<double>(n) * p)
            break; // past the mode the terms only shrink
    }
    return std::min(tail, 1.0);
}

std::optional<double> Outlier::of(const FirstTries& slot, const FirstTries& bench)
{
    if (slot.boards < kLeastBoards || bench.boards <= 0)
        return std::nullopt;
    const double share = static_cast<double>(bench.failed) / static_cast<double>(bench.boards);
    const double tail = binomialTail(slot.boards, slot.failed, share);
    return tail < kAtMost ? std::optional<double>(tail) : std::nullopt;
}

std::string Outlier::said(std::string_view port, const FirstTries& slot, const FirstTries& bench)
{
    // A whole per cent, unless the bench's share is under one, which then keeps its tenth.
    const double share = bench.failedPercent();
    char text[160];
    std::snprintf(text, sizeof text, "%.*s: %lld of %lld failed, the bench %.*f %%", static_cast<int>(port.size()),
                  port.data(), static_cast<long long>(slot.failed), static_cast<long long>(slot.boards),
                  share < 1 ? 1 : 0, share);
    return text;
}

double Tally::yieldPercent(std::int64_t passed, std::int64_t tried)
{
    return tried > 0 ? std::round(1000.0 * static_cast<double>(passed) / static_cast<double>(tried)) / 10 : 0.0;
}

} // namespace auxpad
