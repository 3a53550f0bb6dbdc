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
    void tried(bool worked) { act(machine_.tried(worked, clock_.now())); }
    bool trying() const { return machine_.trying(); }

private:
    void act(RetryMachine::Do what);

    Clock& clock_;
    RetryMachine machine_;
    std::unique_ptr<Timer> due_;
    std::function<void()> start_;
};

} // namespace auxpad
