#pragma once

#include <QElapsedTimer>
#include <QObject>

#include "runner/board_runner.h"
#include "runner/record_keeper.h"

namespace auxpad {

// What one board's job came to.
struct JobReport {
    enum class Result { Running, Passed, Failed, Interrupted };

    PortName port;
    JobKind kind = JobKind::Flash;
    Result result = Result::Running;
    std::string caption;      // DISP1 at the end
    std::string message;      // the last box it showed, or why the line was lost
    ProductInfo info;         // the six boxes at the end
    bool defaultsUsed = false;
    std::string serial;       // the board's serial number, when the job learnt it
    double seconds = 0;

    // What to say when it did not pass: the last message, else the caption.
    std::string failure() const;
};

const char* resultName(JobReport::Result result); // "passed", "failed", ...
const char* jobName(JobKind kind);                // "flash", "prodinfo", "selftest"

// One job on one board from its start to its end, with nobody to close the boxes: each
// is told, then closed at once. The commands and the line window run their boards
// through this, over the same engine and runner as the station window.
class BoardJob final : public QObject {
    Q_OBJECT
public:
    struct Request {
        JobKind kind = JobKind::Flash;
        FlashFiles files;   // the flash job's
        ProductInfo values; // the product-information job's, UTF-8
    };

    // With a store, every job is kept on record.
    BoardJob(PortName port, TextFiles& files, std::string iniPath, RecordStore* store = nullptr,
             QObject* parent = nullptr);

    QString open() { return runner_.open(); }
    void close() { runner_.close(); }
    void start(const Request& request);
    // Stops a job under way (the line is closed); it ends as interrupted.
    void interrupt();

    bool running() const { return report_.result == JobReport::Result::Running && started_; }
    const JobReport& report() const { return report_; }
    Phase phase() const { return phase_; }
    float percent() const { return percent_; }
    double seconds() const;
    BoardRunner& runner() { return runner_; }
    const RecordKeeper& records() const { return records_; }

signals:
    void phaseChanged();
    void progressed();                  // the percentage moved
    void told(const QString& text);     // a caption or a box, as the window would show it
    void finished();

private:
    void take(const Effect& effect);
    void followPhase();
    void finish(JobReport::Result result);

    BoardRunner runner_;
    RecordKeeper records_;
    JobReport report_;
    bool started_ = false;
    bool engineStarted_ = false; // the engine took the job on
    Phase phase_ = Phase::Idle;
    float percent_ = 0;
    QElapsedTimer clock_;
};

} // namespace auxpad
