#pragma once

#include "base/result_words.h"
#include "engine/job_summary.h"

namespace auxpad {

// How a board's turn on a line ended, as every front counts it: a board that passed
// before and was not brought up again counts as passed, one stopped by a front (or
// replaced) as interrupted, a hang-up as failed.
enum class Verdict { Passed, Failed, Interrupted };

// The one rule from an outcome to a verdict.
Verdict verdictOf(JobOutcome outcome, bool alreadyPassed = false);

// The result's word for a board that passed before and was left alone.
inline constexpr const char* kAlreadyPassed = words::kAlreadyPassed;

// What a slot, a run or a window has seen: boards by verdict.
struct Tally {
    int passed = 0;
    int failed = 0;
    int interrupted = 0;
    void add(Verdict verdict);
    int boards() const { return passed + failed + interrupted; }
};

} // namespace auxpad
