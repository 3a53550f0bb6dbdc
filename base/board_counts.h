#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "base/result_words.h"

namespace auxpad {

// How a board's turn on a line ended, as every count takes it: a board that passed
// before and was not brought up again counts as passed, one stopped by a front (or
// replaced) as interrupted, a hang-up as failed.
enum class Verdict { Passed, Failed, Interrupted };

// What a person reads as a count is boards, not jobs. This is the one rule for which
// record of a job stands for a board and what it came to: the window's counters apply it
// to the bench's statuses, and the line's page, the report's summary and its chart apply
// it in SQL (records/board_rule.h), made from these very functions.
namespace boards {

// A board brought up by a recipe stands as its bring-up ("run", a record a try); a lone
// flash or product-information job stands for its board. A step of a bring-up (its
// flash, its write) is part of that board, not one of its own, and a self-test brings
// no board up.
bool standsForBoard(std::string_view job, bool bringUpStep);

// A record's result, as a board's verdict: none while it runs.
std::optional<Verdict> verdictOf(std::string_view result);

} // namespace boards

// A slot's boards over some time, or its bench's: how many were tried, and how many of them
// failed their first try (a board tried again and then passed failed its first try: a
// worn contact shows there first).
struct FirstTries {
    std::int64_t boards = 0;
    std::int64_t failed = 0;
    // Failed, in per cent of the boards, to a tenth.
    double failedPercent() const;
};

// The chance of `k` or more failures among `n` tries that each fail with chance `p`: the
// upper tail of the binomial distribution.
double binomialTail(std::int64_t n, std::int64_t k, double p);

// A slot that fails more than its bench: over at least 20 boards, its first-try failures
// are improbable (a one-sided binomial tail below 0.001) under its bench's first-try
// failure share, the slot's own boards included. The tail when it is one.
struct Outlier {
    static constexpr std::int64_t kLeastBoards = 20;
    static constexpr double kAtMost = 0.001;
    static std::optional<double> of(const FirstTries& slot, const FirstTries& bench);
    // What a lead is told of it: "COM17: 8 of 40 failed, the bench 3 %".
    static std::string said(std::string_view port, const FirstTries& slot, const FirstTries& bench);
};

// Boards by verdict: what a slot, a run, a window or a summary has seen. Of a board's
// tries only the last is counted, so a board tried again and then passed is one passed
// board.
struct Tally {
    int passed = 0;
    int failed = 0;
    int interrupted = 0;
    int firstPass = 0; // boards whose first try passed
    void add(Verdict verdict);
    void remove(Verdict verdict);
    int boards() const { return passed + failed + interrupted; }
    double yield() const { return yieldPercent(passed, boards()); }

    double firstPassYield() const { return yieldPercent(firstPass, boards()); }

    // Passed in per cent of tried, to a tenth; 0 when none was tried. A board that was
    // interrupted, or runs still, was tried and yielded nothing.
    static double yieldPercent(std::int64_t passed, std::int64_t tried);
};

// The boards a bench has seen end, each known by its identity, so that they count as the
// records count them: a board tried again is one board, its last try deciding what it came
// to and its first whether it passed first time; and what each slot's first tries say.
class BoardBook {
public:
    // A try of `board` ended in `slot` (its port).
    void ended(const std::string& board, const std::string& slot, Verdict verdict);
    Tally tally() const;
    Tally tally(const std::string& slot) const;
    FirstTries firstTries(const std::string& slot) const;
    FirstTries firstTries() const; // the bench's
    // The slot's words when it fails more than its bench (Outlier), else nothing.
    std::optional<std::string> outlier(const std::string& slot) const;

private:
    struct Board {
        std::string slot;
        Verdict first;
        Verdict last;
    };
    // What a slot's boards came to, kept as they end: a bench counts them many times a second.
    struct Slot {
        Tally tally;
        FirstTries firstTries;
    };
    std::map<std::string, Board> boards_;
    std::map<std::string, Slot> slots_;
};

} // namespace auxpad
