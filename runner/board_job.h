#pragma once

#include <QObject>

#include "runner/board_runner.h"
#include "runner/record_keeper.h"

namespace auxpad {

// One job on one board from its start to its end, with nobody to close the boxes: each
// is told, then closed at once. The commands and the line window run their boards
// through this, over the same engine and runner as the station window. What the job
// came to is the engine's summary of it as the records keep it.
class BoardJob final : public QObject {
    Q_OBJECT
public:
    struct Request {
        JobKind kind = JobKind::Flash;
        FlashFiles files;     // the flash job's
        ProductFields values; // the product-information job's, UTF-8
        ReadBack readBack = ReadBack::No;
        Pause pause = Pause::No; // the flash job's
    };

    BoardJob(BoardRunner& runner, RecordKeeper& records, QObject* parent = nullptr);

    void close() { runner_.close(); }
    void start(const Request& request);
    // Stops a job under way (the line is closed); it ends as interrupted.
    void interrupt();
    // A job the front will not start on this board ends at once, saying why; nothing is
    // sent to the board.
    void refuse(JobKind kind, std::string why, JobOutcome outcome = JobOutcome::Failed);
    // A paused flash job goes on to its downloads, or stops there, saying why.
    void release();
    void stop(std::string why);

    bool running() const { return running_; }
    const PortName& port() const { return runner_.port(); }
    // The last job's summary, once it has ended.
    const JobSummary& summary() const { return summary_; }
    Phase phase() const { return phase_; }
    float percent() const { return percent_; }
    double seconds() const;
    BoardRunner& runner() { return runner_; }
    RecordKeeper& keeper() { return keeper_; }

signals:
    void phaseChanged();
    void progressed();                  // the percentage moved
    void told(const QString& text);     // news of the job: a caption, a box, a fault, as the window would show it
    void paused(const auxpad::JobSummary& job); // a flash job asked to pause has read the board
    void heard(auxpad::BoardHeard::Kind kind); // the board showed it is there, in or out of a job
    void finished();

private:
    void take(const Effect& effect);
    void finish(JobSummary summary);

    BoardRunner& runner_;
    RecordKeeper& keeper_;
    JobSummary summary_;
    bool running_ = false;
    bool engineStarted_ = false; // the engine took the job on
    Phase phase_ = Phase::Idle;
    float percent_ = 0;
    Stopwatch since_; // since the job's start
};

} // namespace auxpad
