// The bench grid's figures of the README's performance table: the line window showing 32
// slots as tiles while all 32 boards download, and what that costs its event loop. The
// boards are the simulator's engine on simulated lines at 115200 bit/s, their virtual time
// kept level with the real clock, in this process: their work lands in the same loop as
// the window's, so the gaps measured are what a station's loop would see and more.
// Prints markdown table rows.

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#include "tests/support/recipe_bench.h"
#include "ui/line_window.h"

namespace {

double cpuSeconds(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Counts the main thread's time on a core spent repainting: a top-level UpdateRequest is
// where the window paints its dirty widgets and hands the frame on, and a Paint outside
// one counts as well.
class PaintTimingApp final : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        const bool paint = event->type() == QEvent::UpdateRequest || event->type() == QEvent::Paint;
        if (!measuring || !paint || depth_ > 0)
            return QApplication::notify(receiver, event);
        ++depth_;
        const double start = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        const bool done = QApplication::notify(receiver, event);
        paintSeconds += cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - start;
        --depth_;
        return done;
    }
    bool measuring = false;
    double paintSeconds = 0;

private:
    int depth_ = 0;
};

int fail(const QString& why)
{
    std::fprintf(stderr, "grid_figures: %s\n", why.toLocal8Bit().constData());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    PaintTimingApp app(argc, argv);
    constexpr int kSlots = 32;
    // Downloads long enough that all 32 are still under way when the measuring ends.
    RecipeBench b({60, kSlots, "Bench G", "SN0002000-SN0002999", {1, true}, true, {}, 1500, 3000, 1});
    if (!b.problem.isEmpty())
        return fail(b.problem);
    auxpad::ui::LineWindow window(*b.session, b.recipe->files, &*b.recipe);
    window.follow();
    window.followLabels();
    window.showGrid();
    window.resize(1920, 1040);
    window.show();
    b.bench->startSlots();
    for (int i = 0; i < kSlots; ++i)
        b.plug(static_cast<std::size_t>(i));

    QElapsedTimer real;
    real.start();
    QTimer pace; // the boards' virtual time follows the real clock
    pace.setTimerType(Qt::PreciseTimer);
    pace.setInterval(2);
    QObject::connect(&pace, &QTimer::timeout, [&] {
        if (const qint64 behind = real.elapsed() - b.clock.elapsed(); behind > 0)
            b.clock.runFor(behind);
    });
    pace.start();

    // The loop's gaps: how late a 10 ms timer comes.
    std::vector<double> intervals;
    QElapsedTimer sinceTick;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (app.measuring)
            intervals.push_back(static_cast<double>(sinceTick.nsecsElapsed()) / 1e6);
        sinceTick.restart();
    });
    tick.start();
    sinceTick.start();

    constexpr int kWarmUpMs = 3000, kMeasureMs = 20000;
    double wall0 = 0, process0 = 0;
    int running = 0;
    float leastPercent = 100;
    QTimer::singleShot(kWarmUpMs, [&] {
        app.measuring = true;
        wall0 = static_cast<double>(real.nsecsElapsed()) / 1e9;
        process0 = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    });
    double wall = 0, process = 0;
    QTimer::singleShot(kWarmUpMs + kMeasureMs, [&] {
        app.measuring = false;
        wall = static_cast<double>(real.nsecsElapsed()) / 1e9 - wall0;
        process = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - process0;
        for (std::size_t i = 0; i < kSlots; ++i) {
            const auto& status = b.bench->status(i);
            if (status.state == auxpad::BoardStatus::State::Running) {
                ++running;
                leastPercent = std::min(leastPercent, status.percent);
            }
        }
        app.quit();
    });
    app.exec();
    b.bench->stop();
    b.clock.settle();

    if (running < kSlots || intervals.empty())
        return fail(QString("only %1 of %2 boards were still downloading at the end").arg(running).arg(kSlots));
    std::sort(intervals.begin(), intervals.end());
    const double longest = intervals.back();
    const double p99 = intervals[intervals.size() * 99 / 100];
    const double paintShare = 100 * app.paintSeconds / wall;
    std::printf("| The line window's event loop with 32 tiles live, 32 boards downloading at once (in-process "
                "simulated boards at 115200 bit/s, whose work shares the loop; each at least %.0f %% through at the "
                "end), over %.0f s: the longest wait of a 10 ms timer | **%.1f ms** (99th percentile %.1f ms) | "
                "< 100 ms | %s |\n",
                static_cast<double>(leastPercent), wall, longest, p99, longest < 100 ? "yes" : "**no**");
    std::printf("| Repainting those 32 live tiles (the main thread's time on a core in paint and update events; the "
                "whole process %.1f %% with the boards' simulation) | **%.2f %%** of a core | < 5 %% | %s |\n",
                100 * process / wall, paintShare, paintShare < 5 ? "yes" : "**no**");
    return 0;
}
