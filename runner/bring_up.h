#pragma once

#include <QElapsedTimer>
#include <QObject>

#include "runner/bench.h"
#include "runner/board_job.h"
#include "runner/recipe.h"

namespace auxpad {

// What a board's whole bring-up came to.
struct BringUpResult {
    JobOutcome outcome = JobOutcome::Running;
    JobSummary last;           // the step it ended with
    std::string message;       // why it did not pass, or ""
    std::string serial;        // the serial now on the board, when known
    QString serialSource;      // "allocated" or "kept", once chosen
    double seconds = 0;
    bool passed() const { return outcome == JobOutcome::Passed; }
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
    BringUp(BoardJob& job, RecordKeeper& records, Bench& bench, const Recipe& recipe, QObject* parent = nullptr);

    void start();
    // Stops it where it is; it ends as interrupted.
    void interrupt();
    bool running() const { return step_ != Step::Idle; }
    BoardJob& job() { return job_; }
    const BringUpResult& result() const { return result_; }
    const Recipe& recipe() const { return recipe_; }

signals:
    void finished();

private:
    enum class Step { Idle, Flash, Serial, ProductInfo };
    void stepEnded();
    void serialFor(const JobSummary& flash);
    void write(const QString& serial, const QString& source);
    void end(JobOutcome outcome, const JobSummary& last, std::string message);

    BoardJob& job_;
    RecordKeeper& records_;
    Bench& bench_;
    const Recipe& recipe_;
    Step step_ = Step::Idle;
    BringUpResult result_;
    JobSummary flash_;
    JobRecord record_; // the bring-up's own
    QElapsedTimer clock_;
};

} // namespace auxpad
