#pragma once

#include <QObject>
#include <QStringList>

#include <cstdio>
#include <functional>
#include <memory>

#include "runner/surroundings.h"

namespace auxpad::cli {

// Where a command runs: what its bench stands on, where it speaks, and what tells it to
// end before its boards do. A station's process runs on the real ones, told by SIGINT
// and SIGTERM; a test runs the same command on a simulated bench and tells it on its
// clock.
struct CommandStage {
    Surroundings around;
    std::FILE* out = stdout;
    std::FILE* err = stderr;
    // Arranges for `interrupt` to be called when the command is to end early, for as long
    // as what it returns lives; nothing when it cannot.
    std::function<std::unique_ptr<QObject>(std::function<void()> interrupt)> interrupts = onSignals;
    static std::unique_ptr<QObject> onSignals(std::function<void()> interrupt);
};

// `auxpad-flash flash|prodinfo|selftest|run ...`: every board at once in one event loop,
// without a display. Returns the exit status: 0 every board passed, 1 one or more
// failed, 2 the command could not start (nothing was sent), 130 interrupted.
int runJobCommand(const QStringList& arguments, const CommandStage& stage = {});

} // namespace auxpad::cli
