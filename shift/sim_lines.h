#pragma once

#include <deque>
#include <map>
#include <memory>
#include <optional>

#include "clock/sim_clock.h"
#include "core/sim_engine.h"
#include "runner/serial_line.h"

namespace auxpad::shift {

class SimLine;

// One slot's USB adapter on a simulated station, and the board on it, if any: the far end
// of a SimLine. Bytes take the time a cable at `baud` would give them, one event a chunk
// rather than a byte, and the board is the simulator's own engine on the same clock.
class SimAdapter final : public QObject, public auxsim::EngineSink {
    Q_OBJECT
public:
    SimAdapter(SimClock& clock, std::string device, int baud);
    ~SimAdapter() override;

    const std::string& device() const { return device_; }
    bool present() const { return present_; }
    // A board is put on the adapter, or taken off it.
    void plug(const auxsim::EngineConfig& board);
    void pull();
    bool hasBoard() const { return board_ != nullptr; }
    // What auxpad-sim's standard input would tell the board on it (power-up, register, ...).
    void command(std::string_view line);
    // The serial the board on it holds now: the last product record it stored.
    std::string storedSerial() const;

    // The adapter leaves the machine, as a USB adapter that is reset or pulled: the line
    // on it is lost. It comes back as `device` when `back` is called, its board starting
    // afresh, and hanging up after block `hangupAfterBlock` when it is given.
    void leave(const QString& why);
    void back(std::string device, std::optional<std::uint64_t> hangupAfterBlock = std::nullopt);

    // The tool's side.
    void attachLine(SimLine* line) { line_ = line; }
    void detachLine(SimLine* line);
    void fromTool(Bytes bytes);
    // How many bytes the tool has sent to this adapter, as a test counts them.
    std::size_t bytesFromTool() const { return bytesFromTool_; }

signals:
    // The board asked to hang up the line (a board that hangs up after block N).
    void hungUp();

private:
    struct Chunk {
        qint64 due;
        Bytes bytes;
    };
    void log(auxsim::TimeUs, const std::string&) override {}
    void notice(const std::string&) override {}
    void imageData(std::span<const std::uint8_t>) override {}
    void recordStored(const auxsim::ProdRecord& record) override;
    qint64 carry(std::deque<Chunk>& queue, Timer& timer, qint64& free, Bytes bytes);
    void arrive();
    void deliver();
    void pump();
    auxsim::TimeUs us() const { return clock_.elapsed() * 1000; }

    SimClock& clock_;
    std::string device_;
    qint64 usPerByte_;
    bool present_ = true;
    bool hangingUp_ = false; // the board asked to hang up; the adapter leaves at the next turn
    SimLine* line_ = nullptr;
    std::unique_ptr<auxsim::SimEngine> board_;
    auxsim::EngineConfig config_;
    std::string storedSerial_;
    std::size_t bytesFromTool_ = 0;
    std::deque<Chunk> toBoard_, toTool_;
    qint64 toBoardFree_ = 0, toToolFree_ = 0; // when each direction of the cable is free, in us
    std::unique_ptr<Timer> arrival_, delivery_, wake_;
};

// The tool's end of a simulated adapter's line.
class SimLine final : public SerialLine {
    Q_OBJECT
public:
    explicit SimLine(class SimLines& lines) : lines_(lines) {}
    ~SimLine() override { close(); }

    Expected<void, QString> open(const PortName& port) override;
    void close() override;
    bool isOpen() const override { return adapter_ != nullptr; }
    void write(const Bytes& bytes) override;
    Bytes takeReceived() override { return std::exchange(received_, {}); }

    // From the adapter.
    void deliver(const Bytes& bytes);
    void left(const QString& why);
    void took() { emit drained(); }

private:
    SimLines& lines_;
    SimAdapter* adapter_ = nullptr;
    QString shown_;
    Bytes received_;
};

// A simulated station's serial ports: its adapters by device, and the port map that names
// them COMn.
class SimLines final : public LineSource {
public:
    explicit SimLines(SimClock& clock, int baud = 115200) : clock_(clock), baud_(baud) {}

    // A new adapter as port `name` on `device`.
    SimAdapter& add(const std::string& name, const std::string& device);
    SimAdapter* adapter(const std::string& device);
    // The port map: `name` leads to `device` from now on.
    void rename(const std::string& name, const std::string& device) { names_[name] = device; }

    std::unique_ptr<SerialLine> line() override { return std::make_unique<SimLine>(*this); }
    PortName resolve(const std::string& name) override;

private:
    SimClock& clock_;
    int baud_;
    std::map<std::string, std::unique_ptr<SimAdapter>> adapters_; // by the device it was made as
    std::map<std::string, std::string> names_;
};

} // namespace auxpad::shift
