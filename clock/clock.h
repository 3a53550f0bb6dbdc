#pragma once

#include <QDateTime>
#include <QObject>

#include <functional>
#include <memory>
#include <optional>

#include "base/ticks.h"

namespace auxpad {

class Timer;

// The time every shell and keeper of a station reads, and the timers and calls it
// schedules on that time: one service of two kinds. The real one is Qt's event loop and
// the monotonic clock (realClock()); the simulated one is virtual time that jumps from one
// deadline to the next (SimClock), so that a whole shift runs in a minute, the same way
// every time. Nothing above it reads a clock or arms a timer of its own.
class Clock {
public:
    virtual ~Clock() = default;
    // The tick count: milliseconds, wrapping as the engine's counter does.
    virtual Millis now() const = 0;
    // The date and time the records write (UTC).
    virtual QDateTime wallTime() const = 0;
    // A timer that fires on this clock; stopped when it is destroyed.
    virtual std::unique_ptr<Timer> timer() = 0;
    // Runs `call` after what is under way now, calls posted earlier first, unless
    // `context` is gone by then.
    virtual void post(QObject* context, std::function<void()> call) = 0;
    // Runs what is due on this clock until `done` says so or `most` ms have passed on it
    // (for ever with none): the real clock's event loop, or virtual time stepped. Whether
    // `done` said so. A command waits for its boards this way, so it runs the same on both.
    virtual bool runUntil(const std::function<bool()>& done, std::optional<Millis> most = std::nullopt) = 0;
};

// A timer of a Clock, one-shot or repeating. Its `timeout` is told on the clock's thread.
class Timer : public QObject {
    Q_OBJECT
public:
    // Fires once, `ms` from now (at once for 0 or less); a running timer starts again.
    virtual void start(Millis ms) = 0;
    // Fires every `ms` from now until stopped.
    virtual void startRepeating(Millis ms) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;

signals:
    void timeout();
};

// Where a keeper runs what may wait on a database or a printer: on a thread of its own,
// so that the event loop with every board on it never waits (a real station); or as
// calls posted to its clock, in order (a simulated station, which must run the same way
// every time and has nothing to wait for).
enum class Offload { OwnThread, OnClock };

// This process's real clock.
Clock& realClock();

// The time since a moment, on a clock.
class Stopwatch {
public:
    explicit Stopwatch(const Clock& clock) : clock_(&clock), from_(clock.now()) {}
    void restart() { from_ = clock_->now(); }
    Millis elapsed() const { return tickDiff(clock_->now(), from_); }
    double seconds() const { return static_cast<double>(elapsed()) / 1000; }

private:
    const Clock* clock_;
    Millis from_;
};

} // namespace auxpad
