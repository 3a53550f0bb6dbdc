#pragma once

#include <QObject>

#include "bringup/bring_up_machine.h"
#include "label/label_spool.h"
#include "records/delivery.h"
#include "runner/board_job.h"
#include "runner/recipe.h"

namespace auxpad {

// What a bring-up asks of the bench it runs on: the records' thread, the journal for its
// own record, who runs it and what it stands on, and the label printer.
class BringUpHost {
public:
    virtual ~BringUpHost() = default;
    virtual RecordsThread* recordsThread() = 0; // nullptr without records
    virtual Expected<void, QString> keep(JobRecord& record) = 0;
    virtual const Attribution& attribution() const = 0;
    virtual const Surroundings& surroundings() const = 0;
    // A board took a serial number after waiting `waited` for it.
    virtual void serialTaken(Millis waited) = 0;
    virtual bool printsLabels() const = 0;
    virtual void printLabel(const BoardJob& job, const LabelRequest& request) = 0;
};

// A board's whole bring-up (`BringUpMachine`) put on a `BoardJob`, the records' thread
// and a timer: this shell runs what the machine asks for and tells it what came of it.
class BringUp final : public QObject {
    Q_OBJECT
public:
    BringUp(BoardJob& job, BringUpHost& bench, const Recipe& recipe, BringUpRules rules = {}, QObject* parent = nullptr);

    // Brings up `board` (by its identity), or a board that just arrived when none is named;
    // every try and step of it is on record as that board's.
    void start(const QString& board = {});
    // Stops it where it is; it ends as interrupted, and is not tried again.
    void interrupt();
    bool running() const { return machine_.running(); }
    double seconds() const { return since_.seconds(); }
    // The try under way (or the last), of how many it may have.
    int attempt() const { return machine_.attempt(); }
    int tries() const { return machine_.rules().tries; }
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
    void keepStart(int attempt);
    void keepEnd(int attempt);
    void endReservation(const bringup::EndReservation& end);

    BoardJob& job_;
    RecordKeeper& records_;
    BringUpHost& bench_;
    const Recipe& recipe_;
    BringUpMachine machine_;
    bool applying_ = false;
    Clock& clock_;
    std::unique_ptr<Timer> deadline_;
    JobRecord record_; // the try's own
    Stopwatch since_;  // since the start
};

} // namespace auxpad
