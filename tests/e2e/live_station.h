#pragma once

#include <functional>
#include <optional>
#include <string>

#include "app/station.h"
#include "platform/host/disk_text_files.h"
#include "platform/host/qt_serial_port.h"
#include "platform/host/tick_clock.h"
#include "tests/fakes/fakes.h"

// The tool's logic on the real serial port, the real clock and real files, with recorded
// windows: what an operator's station does, observable by a test.
class LiveStation {
public:
    LiveStation();

    // The monotonic clock, plus time a test skips (the format wait) without waiting it.
    struct SkippingClock final : platform::Clock {
        platform::TickClock real;
        std::int32_t skipped = 0;
        std::int32_t tickCount() override { return platform::tickDiff(real.tickCount(), -skipped); }
    };

    platform::QtSerialPort port;
    SkippingClock clock;
    platform::DiskTextFiles files;
    fakes::FakeMainView main;
    fakes::FakeMsgWin msg;
    fakes::FakeDialogs dialogs;
    auxpad::Station st{{port, clock, files, main, msg, dialogs}};
    std::optional<std::string> fault; // a RuntimeFault that ended the run

    // Form_Load in `workDir`, which holds flash.ini and the download files.
    void start(const std::string& workDir);
    // Main-loop passes and a Timer1 tick every 500 ms until `done` or the time is up.
    bool runUntil(const std::function<bool()>& done, int timeoutMs);
    bool logHas(const std::string& text) const { return msg.log.find(text) != std::string::npos; }
};
