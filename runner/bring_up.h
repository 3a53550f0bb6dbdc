#pragma once

#include <QObject>

#include "bringup/bring_up_machine.h"
#include "runner/board_job.h"
#include "runner/recipe.h"

namespace auxpad {

class Bench;

// A board's whole bring-up (`BringUpMachine`) put on a `BoardJob`, the records' thread
// and a timer: this shell runs what the machine asks for and tells it what came of it.
class BringUp final : public QObject {
    Q_OBJECT
public:
    BringUp(BoardJob& job, Bench& bench, const Recipe& recipe, BringUpRules rules = {}, QObject* parent = nullptr);

    void start();
    // Stops it where it is; it ends as interrupted, and is not tried again.
    void interrupt();
    bool running() const { return machine_.running(); }
    double seconds() const { return since_.seconds(); }
    BoardJob& job() { return job_; }
    const BringUpResult& result() const { return machine_.result(); }
    const Recipe& recipe() const { return recipe_; }

signals:
    void finished();

private:
    template <typename Input>
    void give(Input&& input)
    {
        input(machine_, clock_.now());
        apply();
    }
    void apply();
    void run(const BringUpOutput& output);
    void ask(const bringup::AskPassed& question);
    void ask(const bringup::AskSerial& question);
    void printLabel();
    void keepStart();
    void keepEnd(int attempt);
    void endReservation(const bringup::EndReservation& end);

    BoardJob& job_;
    RecordKeeper& records_;
    Bench& bench_;
    const Recipe& recipe_;
    BringUpMachine machine_;
    bool applying_ = false;
    Clock& clock_;
    std::unique_ptr<Timer> deadline_;
    JobRecord record_; // the try's own
    Stopwatch since_;  // since the start
};

} // namespace auxpad
