#pragma once

#include <functional>
#include <string>

#include "runner/board_runner.h"
#include "tests/support/recorder.h"

// The station's runner on a real serial line, its boxes closed at once and everything
// it shows recorded.
class LiveBoard : public Recorder {
public:
    LiveBoard(const std::string& port, const std::string& iniPath);

    auxpad::DiskFiles files;
    auxpad::BoardRunner runner;
    std::string lost; // why the line was lost, if it was

    // Runs the event loop until `done` or the time is up.
    bool runUntil(const std::function<bool()>& done, int timeoutMs);
    template <typename Input>
    void command(Input&& input) { runner.command(std::forward<Input>(input)); }
    const auxpad::BoardEngine& engine() const { return runner.engine(); }
};
