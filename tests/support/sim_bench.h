#pragma once

// A station's commands run in the test's own process on simulated time: their boards are
// the simulator's engine on simulated adapters, their printer a simulated one, and what
// they print is kept. A command that would take a minute of flashing takes a moment.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <optional>

#include "clock/sim_clock.h"
#include "shift/sim_lines.h"
#include "shift/sim_printer.h"

class SimBench {
public:
    // The station's folder is `dir`/station, its journal under `dir`/data.
    explicit SimBench(const QString& dir);
    ~SimBench();

    // A board on port COMn, as auxpad-sim with `options` would be; another takes its place.
    void board(int com, const QStringList& options = {"--quiet"});
    void pull(int com) { adapter(com).pull(); }
    auxpad::shift::SimAdapter& adapter(int com);
    // `call` at `ms` of virtual time from now.
    void at(qint64 ms, std::function<void()> call);
    // The line's database cannot be reached from `fromMs` for `forMs`, from now.
    void lineAway(qint64 fromMs, qint64 forMs);
    // An outage under way ends now.
    void lineBack();

    struct Ran {
        int status = -1;
        QByteArray out;
        QString err;
    };
    // A command of `auxpad-flash` with `arguments` (the program's name not among them),
    // run to its end; one that watches its slots is interrupted `interruptAfterMs` on.
    // Its journal is under `dataHome`, when given. One run started from a call of another
    // (`at`) runs at the same time as it, as two stations of a line do.
    Ran run(const QStringList& arguments, std::optional<qint64> interruptAfterMs = {}, const QString& dataHome = {});
    // The commands run from now on print to a terminal (a pseudo-terminal), as at a
    // station's prompt, rather than to a file.
    bool onTerminal = false;
    // What the first command running now has printed so far.
    QByteArray outSoFar() const;

    auxpad::SimClock clock;
    auxpad::shift::SimLines lines{clock};
    auxpad::shift::SimPrinter printer{clock};

private:
    QString dir_;
    QString wasCurrent_;
    QByteArray wasData_, wasConfig_;
    qint64 process_ = 1000000;
    struct Running {
        qint64 process;
        char* out = nullptr;
        std::size_t outSize = 0;
    };
    std::vector<Running*> running_;
    std::vector<std::pair<qint64, qint64>> away_;
    std::vector<std::unique_ptr<auxpad::Timer>> timers_;
};
