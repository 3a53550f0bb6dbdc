#pragma once

#include "base/board_counts.h"
#include "engine/job_summary.h"

namespace auxpad {

// A job's outcome as a board's verdict, by the words it is put on record with
// (boards::verdictOf), so that a front and the records count a board alike.
Verdict verdictOf(JobOutcome outcome, bool alreadyPassed = false);

// The result's word for a board that passed before and was left alone.
inline constexpr const char* kAlreadyPassed = words::kAlreadyPassed;

} // namespace auxpad
