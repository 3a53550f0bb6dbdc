#pragma once

#include <string>
#include <variant>

namespace auxpad {

enum class Icon { None, Critical, Warning };

// What a station shows its operator, as the engine hands it to a front. Texts are UTF-8.

// The status text (DISP1). `paintNow`: the engine is about to work through a file
// before it returns, and the text should be on the screen meanwhile.
struct CaptionShown {
    std::string text;
    bool paintNow = false;
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

// One of the six product-information boxes (0 to 5) takes a new text.
struct ProductBoxSet {
    int box = 0;
    std::string text;
};

// The station cannot go on (flash.ini can no longer be read); the engine stops.
struct StationFault {
    std::string message;
};

// The operator's jobs, as they begin and end.
enum class JobKind { Flash, ProductInfo, SelfTest };
enum class JobOutcome { Passed, Failed, Replaced };

struct JobStarted {
    JobKind kind = JobKind::Flash;
};

// Comes after the job's last caption and box. A job the operator starts anew while it
// runs ends as Replaced.
struct JobEnded {
    JobKind kind = JobKind::Flash;
    JobOutcome outcome = JobOutcome::Failed;
};

using Effect = std::variant<CaptionShown, ProgressShown, BoxShown, TrafficLogged, ProductBoxSet, StationFault, JobStarted,
                            JobEnded>;

} // namespace auxpad
