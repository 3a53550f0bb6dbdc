// Virtual time runs what is due in a fixed order: what was posted, then each deadline by
// its time and, at one time, by the order the timers were armed.
#include <gtest/gtest.h>

#include <QObject>

#include <memory>
#include <string>

#include "clock/sim_clock.h"

namespace {

using auxpad::SimClock;
using auxpad::Timer;

struct Log {
    std::string text;
    void add(const std::string& what, const SimClock& clock) { text += what + "@" + std::to_string(clock.elapsed()) + " "; }
};

TEST(SimClock, PostedCallsGoFirstThenDeadlinesByTimeThenByTheOrderTheyWereArmed)
{
    SimClock clock;
    Log log;
    auto late = clock.timer(), first = clock.timer(), second = clock.timer();
    QObject::connect(late.get(), &Timer::timeout, [&] { log.add("late", clock); });
    QObject::connect(first.get(), &Timer::timeout, [&] {
        log.add("first", clock);
        clock.post(nullptr, [&] { log.add("posted by first", clock); });
    });
    QObject::connect(second.get(), &Timer::timeout, [&] { log.add("second", clock); });
    late->start(900);
    first->start(300);
    second->start(300);
    clock.post(nullptr, [&] { log.add("posted", clock); });
    clock.runFor(1000);
    EXPECT_EQ(log.text, "posted@0 first@300 posted by first@300 second@300 late@900 ");
    EXPECT_EQ(clock.elapsed(), 1000) << "it stands where it was asked to run to";
}

TEST(SimClock, ARepeatingTimerFiresUntilStoppedAndAStoppedOrGoneOneNever)
{
    SimClock clock;
    Log log;
    auto ticks = clock.timer();
    QObject::connect(ticks.get(), &Timer::timeout, [&] {
        log.add("tick", clock);
        if (clock.elapsed() >= 1500)
            ticks->stop();
    });
    ticks->startRepeating(500);
    auto restarted = clock.timer();
    QObject::connect(restarted.get(), &Timer::timeout, [&] { log.add("restarted", clock); });
    restarted->start(100);
    restarted->start(700); // starting it again moves it
    auto gone = clock.timer();
    QObject::connect(gone.get(), &Timer::timeout, [&] { log.add("gone", clock); });
    gone->start(200);
    gone.reset();
    auto context = std::make_unique<QObject>();
    clock.post(context.get(), [&] { log.add("for a gone context", clock); });
    context.reset();
    clock.runFor(5000);
    EXPECT_EQ(log.text, "tick@500 restarted@700 tick@1000 tick@1500 ");
    EXPECT_FALSE(ticks->isActive());
    EXPECT_FALSE(clock.step()) << "nothing is left";
}

} // namespace
