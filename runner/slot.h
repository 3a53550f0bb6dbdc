#pragma once

#include <QObject>

#include "bringup/slot_machine.h"
#include "runner/bring_up.h"

namespace auxpad {

// One slot of a bench whose boards start by themselves (`SlotMachine`) put on its
// board's runner, its bring-up and a timer.
class Slot final : public QObject {
    Q_OBJECT
public:
    Slot(BoardRunner& runner, BoardJob& job, BringUp& bringUp, QObject* parent = nullptr);

    void start();
    void stop();
    const SlotState& state() const { return machine_.state(); }
    BoardJob& job() { return job_; }
    BringUp& bringUp() { return bringUp_; }

signals:
    void arrived();
    void left();
    void finished(); // a board's bring-up ended: bringUp().result()
    void stateChanged();

private:
    template <typename Input>
    void give(Input&& input)
    {
        const std::size_t before = machine_.state().index();
        input(machine_, clock_.now());
        apply(before);
    }
    // Runs the machine's outputs; says so when it left the state it was in `before`.
    void apply(std::size_t before);
    void run(const SlotOutput& output);

    BoardRunner& runner_;
    BoardJob& job_;
    BringUp& bringUp_;
    SlotMachine machine_;
    Clock& clock_;
    std::unique_ptr<Timer> deadline_;
    bool applying_ = false;
    QString board_; // the identity of the board in the slot, or of the last one

};

} // namespace auxpad
