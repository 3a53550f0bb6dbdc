#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/sim_engine.h"
#include "engine/board_engine.h"
#include "tests/support/recorder.h"

// Files held in memory, read by the same line rule as files on disk.
class MemoryFiles final : public auxpad::TextFiles {
public:
    std::map<std::string, std::string> files;
    auxpad::Expected<std::unique_ptr<auxpad::TextFile>> open(const std::string& path) override;
};

// A BoardEngine on a clock advanced by hand, with everything it puts out recorded.
// With a board, the simulator's own engine answers on the far end of the line, on the
// same clock; without one, a test plays the board itself with fromBoard().
class EngineRig : public Recorder, private auxsim::EngineSink {
public:
    explicit EngineRig(std::optional<auxsim::EngineConfig> board = auxsim::EngineConfig{});
    ~EngineRig() override;

    MemoryFiles files;
    auxpad::BoardEngine engine{files, "/station/flash.ini"};
    auxpad::Millis now = 0;
    bool closeBoxes = true; // the operator closes every box at once
    bool drainAtOnce = true; // the port takes every byte as soon as it is written

    // Every byte the station wrote, all along; what it showed is in the Recorder.
    auxpad::Bytes written;
    const std::string& caption() const { return engine.caption(); }
    const auxpad::ProgressShown& bar() const { return bars.back(); }

    // What the board kept: the data of every good bootloader block.
    auxpad::Bytes image;
    auxsim::SimEngine* board() { return board_.get(); }

    // Takes what the engine has, answers from the board, until both are quiet.
    void settle();
    // The next `count` timer ticks, 500 ms apart, with the line settled after each; a
    // download's deadline that falls in between is honoured on time.
    void tick(int count = 1);
    // Runs the clock (ticks included) until `done`, or `ms` have passed; false then.
    bool runUntil(const std::function<bool()>& done, int ms);
    void fromBoard(const auxpad::Bytes& bytes);
    void closeBox();

    // Starting the operator's jobs with the files and boxes a test has set up.
    void flash(const std::string& disk = "/station/disk.txt", const std::string& data = "/station/data.txt");
    void writeInfo(const auxpad::ProductFields& boxes);

private:
    void log(auxsim::TimeUs, const std::string&) override {}
    void notice(const std::string&) override {}
    void imageData(std::span<const std::uint8_t> data) override { image.insert(image.end(), data.begin(), data.end()); }
    void recordStored(const auxsim::ProdRecord&) override {}

    void collect();
    void advanceTo(auxpad::Millis to);
    auxsim::TimeUs us() const { return static_cast<auxsim::TimeUs>(static_cast<std::uint32_t>(now)) * 1000; }

    std::unique_ptr<auxsim::SimEngine> board_;
    auxpad::Millis nextTick_ = 500;
};

// Download file text of `lines` lines of `perLine` bytes, and the bytes it stands for.
std::string downloadText(int lines, int perLine = 32, auxpad::Bytes* bytes = nullptr, int seed = 0);

// A frame from the board: header, data, pad, checksum; and a service message in one.
auxpad::Bytes boardFrame(std::uint8_t type, const auxpad::Bytes& data);
auxpad::Bytes boardMessage(std::uint8_t id, const auxpad::Bytes& params, std::uint8_t seq = 0x60);
std::string hexOf(const auxpad::Bytes& bytes);
// The payloads (message id first) of the service messages in what the station wrote.
std::vector<auxpad::Bytes> requestsIn(const auxpad::Bytes& written);
