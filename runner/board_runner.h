#pragma once

#include <QObject>

#include <memory>

#include "base/expected.h"
#include "clock/clock.h"
#include "engine/board_engine.h"
#include "runner/port_map.h"
#include "runner/serial_line.h"

namespace auxpad {

// One board's engine on its serial line, driven by events only: received bytes as they
// come, a 500 ms timer, and a single-shot timer for the engine's next deadline, all on
// the bench's clock. What the engine puts out leaves at once: bytes to the line, effects
// to whoever listens. The window, the commands and the line window all run their boards
// through this.
class BoardRunner final : public QObject {
    Q_OBJECT
public:
    BoardRunner(PortName port, TextFiles& files, std::string iniPath, Clock& clock = realClock(),
                LineSource& lines = serialPorts(), QObject* parent = nullptr);
    ~BoardRunner() override;

    // Opens the line and starts the ticks, or says why the port cannot be used.
    Expected<void, QString> open();
    // Opens a closed line again for the next board on it: the port is looked up afresh (a
    // board swapped on a USB adapter may come back as another device) and a fresh engine
    // takes it, since nothing of the last board's exchange holds for the new one.
    Expected<void, QString> reopen();
    void close();
    bool isOpen() const { return line_->isOpen(); }
    const PortName& port() const { return port_; }
    Clock& clock() const { return clock_; }

    // Hands the engine an input, then sends out what came of it.
    template <typename Input>
    void command(Input&& input)
    {
        input(*engine_, clock_.now());
        pushOutputs();
    }
    // The operator has closed the box the engine showed last.
    void boxClosed();

    const BoardEngine& engine() const { return *engine_; }

signals:
    void effect(const auxpad::Effect& effect);
    // The line was hung up or unplugged; the runner has stopped, and the engine has been
    // told (the job under way ended as lost).
    void lineLost(const QString& message);

private:
    void received();
    void tick();
    void deadline();
    void drained();
    void lost(const QString& why);
    void pushOutputs();

    PortName port_;
    Clock& clock_;
    LineSource& lines_;
    TextFiles& files_;
    std::string iniPath_;
    std::unique_ptr<BoardEngine> engine_;
    std::unique_ptr<SerialLine> line_;
    std::unique_ptr<Timer> ticks_;
    std::unique_ptr<Timer> deadline_;
    bool pushing_ = false;  // inside pushOutputs: a box closed or an input given by a listener waits for it
    bool again_ = false;    // an input came meanwhile: its outputs go too
    int closedBoxes_ = 0;
};

} // namespace auxpad
