#pragma once

#include <QStringList>

#include <cstdint>
#include <memory>
#include <string>

#include "runner/board_runner.h"
#include "tests/e2e/sim_process.h"
#include "ui/station_window.h"
#include "ui/traffic_window.h"

// What the end-to-end figures are measured with: the simulated board as a process, and
// the station's runner on its line, with or without its real main window.
namespace figures {

// The simulated board as a process, quiet, mapped through the port map of the
// XDG_CONFIG_HOME the figures run in (tools/perf-figures.sh sets one).
class SimBoard : public SimProcess {
public:
    SimBoard(int com, const QStringList& options)
        : SimProcess(qEnvironmentVariable("XDG_CONFIG_HOME"), com, QStringList{"--quiet"} + options, false)
    {
    }
};

// The station on COM `com`, its main window shown (off screen) or none at all.
class ToolRig {
public:
    ToolRig(int com, bool withWindow);
    ~ToolRig();

    // Starts the flash job on `file` (as both files) and hurries it to its InitDisk
    // download with ticks of its own; returns the seconds from the first block's caption
    // to the last block's acknowledgement. Throws when the download fails.
    double initDiskSeconds(const std::string& file);
    // Starts the job and returns once the first block is on the line.
    void startInitDisk(const std::string& file);

    auxpad::DiskFiles files;
    auxpad::BoardRunner runner;
    std::unique_ptr<auxpad::ui::StationWindow> window;
    auxpad::ui::TrafficWindow traffic;

private:
    double firstCaption_ = 0;
    double end_ = 0;
    bool failed_ = false;
};

// Writes a download file of `lines` lines of 32 bytes; returns its size in bytes.
std::int64_t writeDownloadFile(const std::string& path, std::int64_t lines);

double secondsNow();        // monotonic
double processCpuSeconds(); // this process, all threads

} // namespace figures
