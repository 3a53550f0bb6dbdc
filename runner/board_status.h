#pragma once

#include <optional>
#include <string>

#include "base/ticks.h"
#include "bringup/tally.h"
#include "sinks/board_document.h"

namespace auxpad {

class BoardJob;
class BringUp;
struct Attribution;

// What a board's label came to, as a front shows it beside the board.
enum class LabelShown { None, Printed, Held, Failed };
LabelShown labelShownOf(const std::string& state); // "printed", "held", "failed"

// Everything a front shows of one board of a bench: the line window's rows, the
// commands' JSON and summary, the counters. The bench keeps one a board and decides it in
// one place (`ended`, `running`), so no front works out for itself what a board came to.
struct BoardStatus {
    enum class State { Empty, Waiting, Running, Ended };

    std::string port, device;
    std::string board; // the identity of the board it is, once one is known
    State state = State::Empty;
    std::string phase; // what it is doing, or what a slot waits for
    float percent = 0;
    double seconds = 0;
    int attempt = 0; // the try under way or the last, of a bring-up's `tries`
    int tries = 1;
    // Once it ended: its verdict, its result's word ("passed", "lost", "already-passed",
    // ...), and the job it ran ("flash", "prodinfo", "selftest", "run").
    Verdict verdict = Verdict::Failed;
    std::string word;
    std::string job;
    std::string caption, message;
    // Where and why it did not pass, as the records keep them ("" when it passed), and in
    // a few words that fit on a tile: "read-back: serial differs".
    std::string step, cause, brief;
    // What a row shows under it: why it did not pass, or why a board that passed before
    // was left alone.
    std::string note;
    std::string said; // while it runs: the last box it showed, which a front shows in its row
    std::string serial;
    bool defaults = false;           // the product values came from the defaults
    std::string serialSource;        // a bring-up's: "kept" or "allocated"
    std::string recipe;              // a bring-up's recipe, by its name
    LabelShown label = LabelShown::None;
    std::optional<Millis> waitingSince; // an ended board the slot waits for the operator to pull

    bool ended() const { return state == State::Ended; }
    bool passed() const { return ended() && verdict == Verdict::Passed; }
    // Why it did not pass: the message, else the caption; "" when it passed.
    std::string failure() const;

    // The one rule for what a board came to: its bring-up's result where one ran, else its job's.
    static BoardStatus ended(const BoardJob& job, const BringUp* bringUp);
    // The board is under way: its phase and progress from its job, kept in this status.
    void follow(const BoardJob& job, const BringUp* bringUp);
    // Its result as a command's --json says it, with who ran it.
    BoardResult result(const Attribution& attribution) const;
};

} // namespace auxpad
