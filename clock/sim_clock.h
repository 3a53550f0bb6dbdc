#pragma once

#include <QPointer>

#include <deque>
#include <map>
#include <optional>

#include "clock/clock.h"

namespace auxpad {

class SimTimer;

// Virtual time: nothing happens between two deadlines, so the clock jumps from one to the
// next. Calls posted run first, in order, at the time they were posted; then the earliest
// timer fires, timers due at the same moment in the order they were armed. One thread
// drives it (`step`, `runFor`), and the same inputs always run the same way.
class SimClock final : public Clock {
public:
    // `start` is the wall time at virtual time 0.
    explicit SimClock(QDateTime start = QDateTime(QDate(2026, 1, 5), QTime(6, 0), Qt::UTC));
    ~SimClock() override;

    Millis now() const override { return static_cast<Millis>(static_cast<std::uint32_t>(elapsed_)); }
    QDateTime wallTime() const override { return start_.addMSecs(elapsed_); }
    std::unique_ptr<Timer> timer() override;
    void post(QObject* context, std::function<void()> call) override;
    // Steps until `done`, or until nothing is left to run or `most` has passed.
    bool runUntil(const std::function<bool()>& done, std::optional<Millis> most = std::nullopt) override;

    // Milliseconds of virtual time since the start, unwrapped.
    qint64 elapsed() const { return elapsed_; }
    // Runs the next posted call, or else moves to the earliest deadline and fires it;
    // false when there is nothing left to run.
    bool step();
    // Runs everything due within `ms` from now, then stands at that time.
    void runFor(qint64 ms);
    // Runs the posted calls and what is due now, without moving on.
    void settle() { runFor(0); }
    // When the earliest timer is due, if any is armed.
    std::optional<qint64> nextDue() const;

private:
    friend class SimTimer;
    using Key = std::pair<qint64, std::uint64_t>; // due, then the order of arming
    Key arm(SimTimer* timer, qint64 due);
    void disarm(const Key& key);

    QDateTime start_;
    qint64 elapsed_ = 0;
    std::uint64_t armed_ = 0;
    std::map<Key, SimTimer*> timers_;
    struct Posted {
        QPointer<QObject> context;
        bool hadContext;
        std::function<void()> call;
    };
    std::deque<Posted> posted_;
};

} // namespace auxpad
