#include "clock/sim_clock.h"

#include <limits>


namespace auxpad {

class SimTimer final : public Timer {
public:
    explicit SimTimer(SimClock& clock) : clock_(clock) {}
    ~SimTimer() override { stop(); }

    void start(Millis ms) override { arm(ms, 0); }
    void startRepeating(Millis ms) override { arm(ms, std::max<Millis>(1, ms)); }
    void stop() override
    {
        if (active_)
            clock_.disarm(key_);
        active_ = false;
    }
    bool isActive() const override { return active_; }

    void fire()
    {
        active_ = false;
        if (every_ > 0)
            arm(every_, every_);
        emit timeout();
    }

private:
    void arm(Millis ms, Millis every)
    {
        stop();
        every_ = every;
        key_ = clock_.arm(this, clock_.elapsed() + std::max<Millis>(0, ms));
        active_ = true;
    }

    SimClock& clock_;
    SimClock::Key key_{};
    Millis every_ = 0;
    bool active_ = false;
};

SimClock::SimClock(QDateTime start) : start_(std::move(start)) {}

SimClock::~SimClock() = default;

std::unique_ptr<Timer> SimClock::timer()
{
    return std::make_unique<SimTimer>(*this);
}

void SimClock::post(QObject* context, std::function<void()> call)
{
    posted_.push_back({context, context != nullptr, std::move(call)});
}

SimClock::Key SimClock::arm(SimTimer* timer, qint64 due)
{
    const Key key{due, armed_++};
    timers_.emplace(key, timer);
    return key;
}

void SimClock::disarm(const Key& key)
{
    timers_.erase(key);
}

std::optional<qint64> SimClock::nextDue() const
{
    if (timers_.empty())
        return std::nullopt;
    return timers_.begin()->first.first;
}

bool SimClock::step()
{
    if (!posted_.empty()) {
        Posted next = std::move(posted_.front());
        posted_.pop_front();
        if (!next.hadContext || next.context)
            next.call();
        return true;
    }
    if (timers_.empty())
        return false;
    const auto first = timers_.begin();
    SimTimer* timer = first->second;
    elapsed_ = std::max(elapsed_, first->first.first);
    timers_.erase(first);
    timer->fire();
    return true;
}

void SimClock::runFor(qint64 ms)
{
    const qint64 until = elapsed_ + ms;
    for (;;) {
        if (posted_.empty() && (timers_.empty() || timers_.begin()->first.first > until))
            break;
        step();
    }
    elapsed_ = until;
}

bool SimClock::runUntil(const std::function<bool()>& done, std::optional<Millis> most)
{
    const qint64 until = most ? elapsed_ + *most : std::numeric_limits<qint64>::max();
    while (!done()) {
        if (posted_.empty() && (timers_.empty() || timers_.begin()->first.first > until)) {
            if (most)
                elapsed_ = until;
            return false;
        }
        step();
    }
    return true;
}

} // namespace auxpad
