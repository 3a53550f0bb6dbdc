#pragma once

#include <QStringList>

#include <cstdint>
#include <memory>
#include <string>

#include "app/flash_main.h"
#include "app/station.h"
#include "platform/host/disk_text_files.h"
#include "platform/host/qt_serial_port.h"
#include "platform/host/tick_clock.h"
#include "tests/e2e/sim_process.h"
#include "tests/fakes/fakes.h"

// What the end-to-end figures are measured with: the simulated board as a process, the
// tool's logic on its real serial port class, and either its real main window or a
// window that only keeps what it is given.
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

// The real port, counting what crosses it, so the wire time is that of the bytes the
// tool really sent and received.
class CountingPort final : public platform::SerialPort {
public:
    platform::QtSerialPort real;
    std::int64_t sent = 0;
    std::int64_t received = 0;

    void setPortNumber(int number) override { real.setPortNumber(number); }
    void open() override { real.open(); }
    void close() override { real.close(); }
    bool isOpen() const override { return real.isOpen(); }
    std::int16_t bytesWaiting() override { return real.bytesWaiting(); }
    std::vector<std::uint8_t> readAll() override;
    void write(const std::uint8_t* bytes, std::size_t count) override;
    void flush() override { real.flush(); }
    bool waitForData(int milliseconds) override { return real.waitForData(milliseconds); }
};

// A main window that keeps only the latest of each value: the logic's cost without any
// drawing.
class PlainView final : public platform::MainWindowView {
public:
    std::string selected[2];
    void setComPortNum(const std::string&) override {}
    void setLabel13(const std::string&) override {}
    std::string disp1() const override { return disp1_; }
    void setDisp1(const std::string& caption) override { disp1_ = caption; }
    void repaintDisp1() override {}
    std::string text(int) const override { return {}; }
    void setText(int, const std::string&) override {}
    void setPrgLoadVisible(bool visible) override { visible_ = visible; }
    bool prgLoadVisible() const override { return visible_; }
    void setPrgLoadValue(float value) override { value_ = value; }
    float prgLoadValue() const override { return value_; }
    std::string dir1Path() const override { return "."; }
    std::string selectedFile(int list) const override { return selected[list - 1]; }
    void setMousePointer(int) override {}

private:
    std::string disp1_;
    bool visible_ = false;
    float value_ = 0;
};

// FlashMain shown (off screen), DISP1 repainted as the downloads ask. Only the file
// lists are answered here, since picking a file in them takes a mouse.
class ShownWindow final : public platform::MainWindowView {
public:
    ShownWindow();
    FlashMain window;
    std::string selected[2];
    void setComPortNum(const std::string& c) override { window.setComPortNum(c); }
    void setLabel13(const std::string& c) override { window.setLabel13(c); }
    std::string disp1() const override { return window.disp1(); }
    void setDisp1(const std::string& c) override { window.setDisp1(c); }
    void repaintDisp1() override { window.repaintDisp1(); }
    std::string text(int box) const override { return window.text(box); }
    void setText(int box, const std::string& t) override { window.setText(box, t); }
    void setPrgLoadVisible(bool v) override { window.setPrgLoadVisible(v); }
    bool prgLoadVisible() const override { return window.prgLoadVisible(); }
    void setPrgLoadValue(float v) override { window.setPrgLoadValue(v); }
    float prgLoadValue() const override { return window.prgLoadValue(); }
    std::string dir1Path() const override { return "."; }
    std::string selectedFile(int list) const override { return selected[list - 1]; }
    void setMousePointer(int code) override { window.setMousePointer(code); }
};

// A station on COM `com` with the given window; the download files are read from the
// working directory.
struct ToolStation {
    ToolStation(platform::MainWindowView& view, int com);
    ~ToolStation();

    CountingPort port;
    platform::TickClock clock;
    platform::DiskTextFiles files;
    fakes::FakeMsgWin msg;
    fakes::FakeDialogs dialogs;
    auxpad::Station st;
};

// Writes a download file of `lines` lines of 32 bytes; returns its size in bytes.
std::int64_t writeDownloadFile(const std::string& path, std::int64_t lines);

double secondsNow();        // monotonic
double processCpuSeconds(); // this process, all threads

} // namespace figures
