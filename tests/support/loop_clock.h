#pragma once

#include <QElapsedTimer>

#include <fstream>

// The event loop's own time: wall time less the time its thread sat on the scheduler's
// queue waiting for a core. A gap between two events that other programs on a busy
// machine caused is theirs, not the window's; a gap the loop spent working or blocked in
// a call of its own still counts in full.
class LoopClock {
public:
    LoopClock() { start(); }
    void start()
    {
        wall_.start();
        queuedAtStart_ = queuedNs();
    }
    qint64 elapsed() const { return wall_.elapsed() - (queuedNs() - queuedAtStart_) / 1000000; }

private:
    // The calling thread's time spent runnable but not running, in ns (0 where the kernel
    // does not tell it).
    static qint64 queuedNs()
    {
        std::ifstream stat("/proc/thread-self/schedstat");
        qint64 onCpu = 0, queued = 0;
        stat >> onCpu >> queued;
        return stat ? queued : 0;
    }

    QElapsedTimer wall_;
    qint64 queuedAtStart_ = 0;
};
