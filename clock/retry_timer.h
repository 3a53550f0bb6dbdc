#pragma once

#include <functional>
#include <memory>

#include "base/retry_machine.h"
#include "clock/clock.h"

namespace auxpad {

// The Qt shell of a RetryMachine that every keeper tries its work through (a delivery to
// the line's database or to a sink, a lease's refill): gives the machine each input with
// the time on `clock`, runs `start` when the machine says to, and keeps one timer of the
// clock armed for the machine's next deadline. The keeper calls `tried` once the try that
// `start` began is over.
class RetryTimer {
public:
    RetryTimer(Clock& clock, Millis gatherMs, std::function<void()> start);

    void asked() { act(machine_.asked(clock_.now())); }
    void askedAtOnce() { act(machine_.askedAtOnce(clock_.now())); }
    void tried(bool worked)
    {
        ++ended_;
        act(machine_.tried(worked, clock_.now()));
    }
    bool trying() const { return machine_.trying(); }

    // What a keeper does before its process ends: one more try at once, and the clock run
    // until it has ended with no further try due, for `ms` at most. A try under way may
    // have counted before the last record was written, so one more follows it, whatever
    // it came to, and that one's count is the one that stands.
    void lastTry(Millis ms);

private:
    void act(RetryMachine::Do what);

    Clock& clock_;
    RetryMachine machine_;
    std::unique_ptr<Timer> due_;
    std::function<void()> start_;
    int ended_ = 0; // tries that have ended, for lastTry to see the next end
};

} // namespace auxpad
