#pragma once

#include <QObject>

#include <memory>

#include "bringup/stack_light.h"
#include "runner/bench.h"

namespace auxpad {

// A bench's stack light on a serial line of its own: it follows the bench's boards, as
// StackLightMachine rules, and writes each frame that machine hands out. A tower that is
// lost (unplugged, or a write fails) is said once; the bench goes on without it.
class StackLight final : public QObject {
    Q_OBJECT
public:
    // The tower's line on `port` (COMn or a device path, looked up as the bench's ports
    // are), at the common relay tower's 9600 bit/s, 8N1; or why it cannot be had.
    static Expected<std::unique_ptr<SerialLine>, QString> open(LineSource& lines, const std::string& port);

    StackLight(Bench& bench, std::unique_ptr<SerialLine> line, tower::Relays relays, QObject* parent = nullptr);
    ~StackLight() override;

    // Every lamp off, and from now on what the boards show.
    void start();
    // Every lamp off, written out, and the line closed: the light follows nothing more.
    // Said before a bench stops, so that the boards it interrupts do not flash red.
    void off();

signals:
    void gone(const QString& why);

private:
    void look(std::size_t board);
    void send();

    Bench& bench_;
    std::unique_ptr<SerialLine> line_;
    StackLightMachine machine_;
    bool goneSaid_ = false;
};

} // namespace auxpad
