#pragma once

#include <optional>
#include <variant>
#include <vector>

#include "base/ticks.h"
#include "bringup/line_looks.h"
#include "bringup/tally.h"

namespace auxpad {

namespace slot {
// What the machine asks of its shell.
struct Probe {};          // ask whether a board is there (a self-test request outside any job)
struct StartBringUp {};   // bring the board that arrived up, at the next turn of the event loop
struct StopBringUp {};    // the slot stops: the bring-up under way ends as interrupted
struct LookForLine {};    // open the line again, looked up afresh; answer with lineLooked
struct Arrived { bool sameBoard = false; }; // the board whose line went came back, or a new one
struct Left {};
struct Finished { Verdict verdict; }; // a board's bring-up ended

// Where a slot is.
struct Stopped { bool endAwaited = false; }; // a bring-up stopped with the slot still has its end told
struct Waiting {                      // empty: asks every 2 s
    Millis nextAsk;
    std::optional<Millis> boardBackUntil; // the line came back: a board heard until then is the one it had
};
struct Running { bool lineGone = false; };
struct Done { Millis nextAsk; bool answered = true; int silent = 0; }; // the result stands until the board leaves
struct Away {                         // the line went: it is looked for at pauses that grow to 4 s
    Millis nextLook;
    Backoff looks = lineLooks();
    bool hadBoard = false;            // a board was on it, and may still be when the line is back
};
} // namespace slot

using SlotOutput = std::variant<slot::Probe, slot::StartBringUp, slot::StopBringUp, slot::LookForLine, slot::Arrived,
                                slot::Left, slot::Finished>;
using SlotState = std::variant<slot::Stopped, slot::Waiting, slot::Running, slot::Done, slot::Away>;

// One slot of a bench whose boards start by themselves (run --watch, line --auto), as a
// machine that does no I/O and reads no clock. An empty slot asks every 2 s whether a
// board is there and sends nothing else; a board that answers, or that powers up, is
// brought up at once. The result stays until the board leaves: the slot asks every
// second, and a board that has not answered twice in a row, or whose line went, has left
// (within 3 s of falling silent). Until then nothing starts again, a reset included.
// A board whose line went (a reset or re-enumerated adapter, a worn contact) and that
// answers within 5 s of the line's return is the same board, tried again: it never left.
//
// Which state an input leads to is said in one place, the table of moves in
// slot_machine.cpp: every input asks it, and an input it has no row for changes nothing.
class SlotMachine {
public:
    static constexpr Millis kAskEmptyMs = 2000;
    static constexpr Millis kAskPresentMs = 1000;
    static constexpr int kSilentAnswersToLeave = 2;
    static constexpr Millis kBoardBackMs = 5000;

    void start(bool lineOpen, Millis now);
    void stop();
    void heard(Millis now);
    void lineLost(Millis now);
    void bringUpEnded(Verdict verdict, Millis now);
    void lineLooked(bool back, Millis now);
    void deadlinePassed(Millis now);

    std::vector<SlotOutput> takeOutputs() { return std::exchange(outputs_, {}); }
    std::optional<Millis> nextDeadline() const;
    const SlotState& state() const { return state_; }

private:
    void wait(Millis now, std::optional<Millis> boardBackUntil = std::nullopt);
    void lookFor(Millis now, bool hadBoard);

    SlotState state_ = slot::Stopped{};
    std::vector<SlotOutput> outputs_;
};

} // namespace auxpad
