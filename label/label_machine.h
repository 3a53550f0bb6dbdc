#pragma once

#include <optional>
#include <string>
#include <variant>

#include "base/backoff.h"
#include "base/ticks.h"

namespace auxpad::label {

// One label on its way to the printer. No I/O and no clock: the shell tells it what
// happened and reads from the state what to do. The shell writes the state to the
// journal before it hands the label over and after the printer answers, so a process
// killed in between leaves a `Handed` label, which the next start turns into an unsure
// `Queued` one: reported, never printed again unasked. When a held label goes again is
// the printer's business (PrinterState below), not each label's.
struct Queued {
    int attempts = 0;    // hands to the printer so far
    bool unsure = false; // a start found it handed: it may have printed
};
struct Handed {
    int attempts = 0; // this hand included
};
struct Held {
    int attempts = 0;
    std::string reason;   // why it waits: the printer did not take it, or is away
    bool lasting = false; // the printer can never take it as it is set up
};
struct Printed {
    int jobId = 0;
};
struct Failed {
    std::string reason; // why it cannot be made, or was replaced; a reprint may try again
};
using LabelState = std::variant<Queued, Handed, Held, Printed, Failed>;

// What happens to a label.
struct Hand {};              // the shell hands it to the printer now
struct Taken { int jobId; }; // the printer's queue took it
struct Refused {             // the printer is away, refuses jobs, or is not there at all
    std::string reason;
    bool lasting = false;
};
struct Broken { std::string reason; };  // the label cannot be made at all
struct Waits { std::string reason; };   // its printer is away: it waits without a hand
struct PrinterBack {};       // its printer's pause is over: it goes again
struct Restarted {};         // a start found the label in this state
struct Reprint {};           // an operator asks for it again
struct Replaced {};          // a reprint of its board replaces it before it printed
using LabelEvent = std::variant<Hand, Taken, Refused, Broken, Waits, PrinterBack, Restarted, Reprint, Replaced>;

// The state after `event`; a move the table does not hold leaves it as it was.
LabelState move(const LabelState& state, const LabelEvent& event);

// Whether the shell may hand the label to the printer now: queued, and not unsure.
bool mayHand(const LabelState& state);
// A label's state as the journal names it: queued, handed, held, printed or failed.
const char* stateName(const LabelState& state);
// Why it is held or failed, "" for the other states.
std::string reasonOf(const LabelState& state);

// The printer as a bench's labels find it: taking them; away since a refusal, tried
// again with one label after a pause that grows (Backoff); or not usable as it is set up
// (no such queue), which is said once and tried again only when a start or an operator
// asks, never at a rate for ever.
struct PrinterTaking {};
struct PrinterAway {
    std::string reason;
    Millis until = 0;
    Backoff backoff;
};
struct PrinterUnusable {
    std::string reason;
};
using PrinterState = std::variant<PrinterTaking, PrinterAway, PrinterUnusable>;

// The printer after a label's hand came to `event` at `now` (Taken or Refused), or after
// a start (Restarted).
PrinterState movePrinter(const PrinterState& printer, const LabelEvent& event, Millis now);
// When the printer is tried again by itself, if it is.
std::optional<Millis> printerDue(const PrinterState& printer);

} // namespace auxpad::label
