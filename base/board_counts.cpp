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

void Tally::remove(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Passed:
        --passed;
        break;
    case Verdict::Failed:
        --failed;
        break;
    case Verdict::Interrupted:
        --interrupted;
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

void BoardBook::ended(const std::string& board, const std::string& slot, Verdict verdict)
{
    const auto [at, first] = boards_.try_emplace(board, Board{slot, verdict, verdict});
    Slot& counts = slots_[at->second.slot];
    if (first) {
        counts.tally.firstPass += verdict == Verdict::Passed;
        ++counts.firstTries.boards;
        counts.firstTries.failed += verdict == Verdict::Failed;
    } else {
        counts.tally.remove(at->second.last); // its last try decides
        at->second.last = verdict;
    }
    counts.tally.add(verdict);
}

Tally BoardBook::tally() const
{
    Tally t;
    for (const auto& [name, s] : slots_) {
        t.passed += s.tally.passed;
        t.failed += s.tally.failed;
        t.interrupted += s.tally.interrupted;
        t.firstPass += s.tally.firstPass;
    }
    return t;
}

Tally BoardBook::tally(const std::string& slot) const
{
    const auto found = slots_.find(slot);
    return found == slots_.end() ? Tally{} : found->second.tally;
}

FirstTries BoardBook::firstTries(const std::string& slot) const
{
    const auto found = slots_.find(slot);
    return found == slots_.end() ? FirstTries{} : found->second.firstTries;
}

FirstTries BoardBook::firstTries() const
{
    FirstTries f;
    for (const auto& [name, s] : slots_) {
        f.boards += s.firstTries.boards;
        f.failed += s.firstTries.failed;
    }
    return f;
}

std::optional<std::string> BoardBook::outlier(const std::string& slot) const
{
    const FirstTries mine = firstTries(slot), bench = firstTries();
    if (!Outlier::of(mine, bench))
        return std::nullopt;
    return Outlier::said(slot, mine, bench);
}

} // namespace auxpad
