#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QObject>

#include "runner/bench.h"
#include "runner/board_job.h"
#include "runner/recipe.h"

namespace auxpad {

// On the records' thread: whether a passed record (of `job`, with `recipe`, when given)
// holds `serial`, where serials are handed out, or, when that database does not answer,
// in this station's journal.
Expected<bool, QString> serialPassed(RecordsThread::Stores& stores, const QString& serial, const QString& job = {},
                                     const QString& recipe = {});

// What a board's whole bring-up came to.
struct BringUpResult {
    JobOutcome outcome = JobOutcome::Running;
    bool alreadyPassed = false; // stopped before any download: a passed bring-up holds its serial
    int tries = 0;
    JobSummary last;           // the step it ended with
    std::string message;       // why it did not pass, or ""
    std::string serial;        // the serial now on the board, when known
    QString serialSource;      // "allocated" or "kept", once chosen
    double seconds = 0;
    bool passed() const { return outcome == JobOutcome::Passed || alreadyPassed; }
    // "passed", "failed", ..., or "already-passed".
    const char* word() const { return alreadyPassed ? "already-passed" : outcomeName(outcome); }
};

// How a bench runs its bring-ups.
struct BringUpRules {
    int tries = 1;          // a bring-up that fails for a reason a second try may cure goes again
    bool skipPassed = false; // a board whose serial a passed bring-up holds is not brought up again
};

// A board's whole bring-up on a line, each step a job of its own on the board: the flash
// job with the recipe's files; then a serial number, the board's own when it lies in the
// recipe's range and a passed record already holds it, else the lowest free one of the
// range, reserved in the records; then the product-information job with the recipe's
// values and that serial, read back and compared. It passes only when every step does,
// and is kept on record as a job of its own, "run".
class BringUp final : public QObject {
    Q_OBJECT
public:
    BringUp(BoardJob& job, RecordKeeper& records, Bench& bench, const Recipe& recipe, BringUpRules rules = {},
            QObject* parent = nullptr);

    void start();
    // Stops it where it is; it ends as interrupted, and is not tried again.
    void interrupt();
    bool running() const { return step_ != Step::Idle || retry_.isActive(); }
    double seconds() const { return static_cast<double>(clock_.elapsed()) / 1000; }
    BoardJob& job() { return job_; }
    const BringUpResult& result() const { return result_; }
    const Recipe& recipe() const { return recipe_; }

signals:
    void finished();

private:
    enum class Step { Idle, Flash, Checking, Serial, ProductInfo };
    void begin();
    void stepEnded();
    void held(const JobSummary& flash);
    void serialFor(const JobSummary& flash);
    void write(const QString& serial, const QString& source);
    void end(JobOutcome outcome, const JobSummary& last, std::string message);

    BoardJob& job_;
    RecordKeeper& records_;
    Bench& bench_;
    const Recipe& recipe_;
    BringUpRules rules_;
    Step step_ = Step::Idle;
    QTimer retry_;
    BringUpResult result_;
    JobSummary flash_;
    JobRecord record_; // the bring-up's own
    QElapsedTimer clock_;
};

} // namespace auxpad
