#pragma once

#include <optional>

#include "base/backoff.h"
#include "base/ticks.h"

namespace auxpad {

// The one way a keeper of this station does what may fail and must be done again until it
// works: a delivery to the line's database, a lease's refill. Asked for, a try starts
// (after `gatherMs`, so that what is asked meanwhile goes with it), one at a time; asked
// while a try runs, another follows it; a try that failed goes again after a pause that
// grows as Backoff's does, and what is asked meanwhile waits for it. No I/O and no
// clock: the shell gives each input with its time and starts a try when told to.
//
//   State      Input                      To
//   Idle       asked                      Gathering until now + gather; or Trying: start, without one
//   Gathering  asked                      Gathering
//   Gathering  its time                   Trying: start
//   Trying     asked                      Trying, another to follow
//   Trying     it worked, none to follow  Idle (the pause starts over)
//   Trying     it worked, one to follow   as Idle asked
//   Trying     it failed                  Waiting until now + the next pause
//   Waiting    asked                      Waiting
//   Waiting    its time                   Trying: start
//   any        asked at once              Trying: start, unless one runs (it follows then)
class RetryMachine {
public:
    enum class Do { Wait, Start };

    explicit RetryMachine(Millis gatherMs = 0) : gatherMs_(gatherMs) {}

    Do asked(Millis now);
    Do askedAtOnce(Millis now);
    Do tried(bool worked, Millis now);
    Do deadlinePassed(Millis now);

    std::optional<Millis> nextDeadline() const;
    bool trying() const { return state_ == State::Trying; }

private:
    enum class State { Idle, Gathering, Trying, Waiting };
    Do start();

    State state_ = State::Idle;
    bool again_ = false;
    Millis due_ = 0;
    Millis gatherMs_;
    Backoff backoff_;
};

} // namespace auxpad
