#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <chrono>

#include "clock/clock.h"

namespace auxpad {

namespace {

class RealTimer final : public Timer {
public:
    RealTimer()
    {
        timer_.setTimerType(Qt::PreciseTimer); // a download's deadlines are 5 s, a tick 500 ms: kept to the ms
        connect(&timer_, &QTimer::timeout, this, &Timer::timeout);
    }
    void start(Millis ms) override
    {
        timer_.setSingleShot(true);
        timer_.start(std::max<Millis>(0, ms));
    }
    void startRepeating(Millis ms) override
    {
        timer_.setSingleShot(false);
        timer_.start(ms);
    }
    void stop() override { timer_.stop(); }
    bool isActive() const override { return timer_.isActive(); }

private:
    QTimer timer_;
};

class RealClock final : public Clock {
public:
    Millis now() const override
    {
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
                .count();
        return static_cast<Millis>(static_cast<std::uint32_t>(ms));
    }
    QDateTime wallTime() const override { return QDateTime::currentDateTimeUtc(); }
    std::unique_ptr<Timer> timer() override { return std::make_unique<RealTimer>(); }
    void post(QObject* context, std::function<void()> call) override
    {
        QMetaObject::invokeMethod(context ? context : QCoreApplication::instance(), std::move(call),
                                  Qt::QueuedConnection);
    }
    bool runUntil(const std::function<bool()>& done, std::optional<Millis> most) override
    {
        // The limit's timer wakes the loop when no other event would.
        QTimer limit;
        bool late = false;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, [&late] { late = true; });
        if (most)
            limit.start(std::max<Millis>(0, *most));
        QEventLoop loop;
        while (!done() && !late)
            loop.processEvents(QEventLoop::WaitForMoreEvents);
        return done();
    }
};

} // namespace

Clock& realClock()
{
    static RealClock clock;
    return clock;
}

} // namespace auxpad

#include "moc_clock.cpp"
