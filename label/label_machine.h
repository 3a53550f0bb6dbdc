#pragma once

#include <optional>
#include <string>
#include <variant>

#include "base/ticks.h"

namespace auxpad::label {

// One label on its way to the printer. No I/O and no clock: the shell tells it what
// happened, with the time, and reads from the state what to do and when. The shell
// writes the state to the journal before it hands the label over and after the printer
// answers, so a process killed in between leaves a `Handed` label, which the next start
// turns into an unsure `Queued` one: reported, never printed again unasked.
struct Queued {
    int attempts = 0;    // hands to the printer so far
    bool unsure = false; // a start found it handed: it may have printed
};
struct Handed {
    int attempts = 0; // this hand included
};
struct Held {
    int attempts = 0;
    std::string reason; // why the printer did not take it
    Millis until = 0;   // when it is tried again
};
struct Printed {
    int jobId = 0;
};
struct Failed {
    std::string reason; // why it cannot be made; a reprint may try again
};
using LabelState = std::variant<Queued, Handed, Held, Printed, Failed>;

// What happens to a label.
struct Hand {};              // the shell hands it to the printer now
struct Taken { int jobId; }; // the printer's queue took it
struct Refused { std::string reason; }; // the printer is away or refuses jobs
struct Broken { std::string reason; };  // the label cannot be made at all
struct DeadlinePassed {};    // a held label's pause is over
struct Restarted {};         // a start found the label in this state
struct Reprint {};           // an operator asks for it again
using LabelEvent = std::variant<Hand, Taken, Refused, Broken, DeadlinePassed, Restarted, Reprint>;

// The state after `event` at `now`; a move the table does not hold leaves it as it was.
LabelState move(const LabelState& state, const LabelEvent& event, Millis now);

// Whether the shell may hand the label to the printer now: queued, and not unsure.
bool mayHand(const LabelState& state);
// When a held label is due again.
std::optional<Millis> nextDeadline(const LabelState& state);
// The pause after the nth refusal in a row: 1 s, 2 s, 4 s and so on, to a minute.
Millis heldPause(int refusals);

} // namespace auxpad::label
