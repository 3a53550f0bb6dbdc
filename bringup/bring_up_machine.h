#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "base/expected.h"
#include "base/ticks.h"
#include "bringup/line_looks.h"
#include "bringup/tally.h"
#include "engine/job_summary.h"

namespace auxpad {

// Where a board's serial number came from: the board's own, kept because a passed write
// holds it, or the lowest free number of the range, allocated to it.
enum class SerialSource { None, Kept, Allocated };
const char* serialSourceName(SerialSource source); // "", "kept", "allocated"

// What a board's whole bring-up came to.
struct BringUpResult {
    JobOutcome outcome = JobOutcome::Running;
    bool alreadyPassed = false; // stopped before any download: a passed bring-up holds its serial
    int tries = 0;
    JobSummary last;            // the step it ended with
    std::string message;        // why it did not pass, or ""
    Step step = Step::None;     // where it ended, and why it did not pass: its last
    FailureCause cause = FailureCause::None; // step's, or the bring-up's own (a serial)
    std::string serial;         // the serial now on the board, when known
    SerialSource serialSource = SerialSource::None;
    double seconds = 0;
    Verdict verdict() const { return verdictOf(outcome, alreadyPassed); }
    bool passed() const { return verdict() == Verdict::Passed; }
    // "passed", "failed", ..., or "already-passed".
    const char* word() const { return alreadyPassed ? kAlreadyPassed : outcomeName(outcome); }
};

// How a bench runs its bring-ups.
struct BringUpRules {
    int tries = 1;           // a bring-up that fails for a reason a second try may cure goes again
    bool skipPassed = false; // a board whose serial a passed bring-up holds is not brought up again
    bool lostLineLeaves = false; // a slot's: a hang-up means the board left, and is not waited for
};

// The serial the records chose for a board.
struct SerialChoice {
    std::string serial;
    SerialSource source = SerialSource::Allocated;
};

// What the machine asks of its shell. A question to the records carries the try it
// belongs to, and its answer must carry it back: an answer to an earlier try is dropped.
namespace bringup {
struct StartFlash { bool pause = false; };       // the recipe's flash job, paused after reading the board when asked
struct ReleaseFlash {};                          // the paused flash job goes on to its downloads
struct StopFlash { std::string why; };           // the paused flash job stops there
struct StartWrite { std::string serial; };       // the recipe's product-information job with this serial, read back
struct InterruptJob {};                          // a front stops the job under way
struct AskPassed { int attempt; std::string serial; };  // has a passed bring-up of this recipe this serial?
struct AskSerial { int attempt; std::string own; };     // the serial for a board that holds `own`
struct EndReservation { std::string serial; bool written; }; // an allocated serial was written, or not
struct KeepStart { int attempt; };               // a try's record, as it starts
struct KeepEnd { int attempt; };                 // the try's record as it ended: result()
struct ReopenLine {};                            // the line went: look for the board on it again
struct PrintLabel {};                            // the board passed and is on record: its label, from result()
struct Finished {};                              // result() is final
} // namespace bringup

using BringUpOutput = std::variant<bringup::StartFlash, bringup::ReleaseFlash, bringup::StopFlash, bringup::StartWrite,
                                   bringup::InterruptJob, bringup::AskPassed, bringup::AskSerial,
                                   bringup::EndReservation, bringup::KeepStart, bringup::KeepEnd, bringup::ReopenLine,
                                   bringup::PrintLabel, bringup::Finished>;

// Where a bring-up is, with what each step needs.
namespace bringup {
struct Idle {};
struct Flashing {};                     // the flash job runs
struct Checking { std::string serial; };  // it is paused while the records say whether the board passed before
struct ChoosingSerial {};               // no job runs while the records choose the serial
struct Writing {};                      // the product-information job runs
struct Recording {};                    // the try's end is being put on record
struct BetweenTries { Millis until; };       // before the next try
struct AwaitingLine {                   // the line went: until the board is back
    Millis giveUpAt;
    Millis nextLook;
    Backoff looks = lineLooks();
};
struct Done {};
} // namespace bringup

using BringUpState = std::variant<bringup::Idle, bringup::Flashing, bringup::Checking, bringup::ChoosingSerial,
                                  bringup::Writing, bringup::Recording, bringup::BetweenTries, bringup::AwaitingLine,
                                  bringup::Done>;

// A board's whole bring-up on a line, as a machine that does no I/O and reads no clock:
// the flash job with the recipe's files; then a serial number, chosen by the records; then
// the product-information job with that serial, read back. It passes only when every step
// does. A try that fails for a curable cause (no answer, no acknowledgement, a lost line)
// goes again while tries are left; a lost line first waits for the board to be back on
// its port. Each try is on record as a bring-up of its own.
//
// Which state an input leads to is said in one place, the table of moves in
// bring_up_machine.cpp: every input asks it, and an input it has no row for (an answer of
// another try, a step that ends twice) changes nothing.
class BringUpMachine {
public:
    static constexpr Millis kRetryAfterMs = 1000;
    static constexpr Millis kLineWaitMs = 10000;

    explicit BringUpMachine(BringUpRules rules = {}) : rules_(rules) {}

    void start(Millis now);
    void interrupt(Millis now);
    void flashPaused(const JobSummary& flash);
    void passedBefore(int attempt, const Expected<bool, std::string>& passed);
    void serialChosen(int attempt, const Expected<SerialChoice, std::string>& choice, Millis now);
    void stepEnded(const JobSummary& step, Millis now);
    // The try's end record went into the journal, or could not.
    void endKept(int attempt, const Expected<void, std::string>& kept, Millis now);
    void lineLooked(bool back, Millis now);
    void deadlinePassed(Millis now);

    std::vector<BringUpOutput> takeOutputs() { return std::exchange(outputs_, {}); }
    std::optional<Millis> nextDeadline() const;

    const BringUpState& state() const { return state_; }
    bool running() const;
    int attempt() const { return attempt_; }
    const BringUpRules& rules() const { return rules_; }
    const BringUpResult& result() const { return result_; }
    const JobSummary& flash() const { return flash_; }

private:
    template <typename S>
    bool in() const { return std::holds_alternative<S>(state_); }
    void beginTry();
    // The try ended with `last` as its last step; where and why it failed, unless the
    // bring-up itself says otherwise.
    void record(JobOutcome outcome, const JobSummary& last, std::string message, Millis now,
                std::optional<std::pair<Step, FailureCause>> failed = std::nullopt);
    void finish();

    BringUpRules rules_;
    BringUpState state_ = bringup::Idle{};
    std::vector<BringUpOutput> outputs_;
    int attempt_ = 0;
    bool stopped_ = false; // a front stopped it: no other try
    Millis startedAt_ = 0;
    JobSummary flash_;
    BringUpResult result_;
};

} // namespace auxpad
