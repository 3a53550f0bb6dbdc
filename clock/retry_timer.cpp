#include "clock/retry_timer.h"

#include <algorithm>

namespace auxpad {

RetryTimer::RetryTimer(Clock& clock, Millis gatherMs, std::function<void()> start)
    : clock_(clock), machine_(gatherMs), due_(clock.timer()), start_(std::move(start))
{
    QObject::connect(due_.get(), &Timer::timeout, due_.get(), [this] { act(machine_.deadlinePassed(clock_.now())); });
}

void RetryTimer::act(RetryMachine::Do what)
{
    if (what == RetryMachine::Do::Start)
        start_();
    if (const auto due = machine_.nextDeadline())
        due_->start(std::max<Millis>(0, tickDiff(*due, clock_.now())));
    else
        due_->stop();
}

void RetryTimer::lastTry(Millis ms)
{
    const Stopwatch waited(clock_);
    // The count of ended tries is read before the ask, which may end a try at once.
    auto waitForAnEndAfter = [&](int ended) {
        clock_.runUntil([&] { return ended_ > ended && !trying(); }, std::max<Millis>(0, ms - waited.elapsed()));
    };
    if (trying())
        waitForAnEndAfter(ended_);
    const int ended = ended_;
    askedAtOnce();
    waitForAnEndAfter(ended);
}

} // namespace auxpad
