#pragma once

#include <string>
#include <variant>

#include "engine/job_mode.h"
#include "engine/job_summary.h"

namespace auxpad {

enum class Icon { None, Critical, Warning };

// What a station shows its operator, as the engine hands it to a front. Texts are UTF-8.

// The status text (DISP1). News is worth telling where nobody watches the window;
// progress changes with every block or tick and is told by the percentage as well.
// `paintNow`: the engine is about to work through a file before it returns, and the
// text should be on the screen meanwhile.
enum class CaptionKind { News, Progress };
struct CaptionShown {
    std::string text;
    bool paintNow = false;
    CaptionKind kind = CaptionKind::News;
};

// The progress bar (PrgLoad), 0 to 100.
struct ProgressShown {
    bool visible = false;
    float value = 0;
};

// A message the operator must acknowledge. Until the front reports it closed, the
// engine holds back its ticks and the bytes it receives, and releases nothing after it.
struct BoxShown {
    std::string text;
    Icon icon = Icon::None;
};

// Text for the traffic log; line breaks are part of it.
struct TrafficLogged {
    std::string text;
};

// One of the six product fields (the window's Text1 to Text6) takes a new text.
struct ProductFieldSet {
    ProductField field = ProductField::Hardware;
    std::string text;
};

// The board's own serial number is known: read from it, or written to it.
struct SerialKnown {
    std::string serial;
};

// The board showed it is there: it powered up, or it answered a self-test.
struct BoardHeard {
    enum class Kind { PoweredUp, Answered };
    Kind kind = Kind::Answered;
};

// The station cannot go on (flash.ini can no longer be read); the engine stops.
struct StationFault {
    std::string message;
};

// What the job under way is doing changed; the bar after it belongs to the new phase.
struct PhaseShown {
    Phase phase = Phase::Idle;
};

// A job begins; its summary holds what is known at the start (the flash job's files).
struct JobStarted {
    JobSummary summary;
};

// A flash job asked to pause has read the board (or taken the defaults) and waits before
// its first download, until it is let go on or stopped.
struct JobPaused {
    JobSummary summary;
};

// A job ended: after its last caption and box.
struct JobEnded {
    JobSummary summary;
};

// A job asked for did not begin (a file missing, the station busy): nothing was sent.
struct JobRefused {
    JobSummary summary;
};

using Effect = std::variant<CaptionShown, ProgressShown, BoxShown, TrafficLogged, ProductFieldSet, SerialKnown,
                            BoardHeard, StationFault, PhaseShown, JobStarted, JobPaused, JobEnded, JobRefused>;

} // namespace auxpad
