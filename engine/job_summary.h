#pragma once

#include <optional>
#include <string>

#include "base/text_files.h"
#include "base/ticks.h"
#include "board/prod_record.h"

namespace auxpad {

// The operator's jobs.
enum class JobKind { Flash, ProductInfo, SelfTest };

// How a job ended. A job the operator starts anew while one runs ends the old one as
// interrupted, as does a front that stops it; lost is the line gone under it.
enum class JobOutcome { Running, Passed, Failed, Interrupted, Lost };

// Why a job did not pass, for a front that tries a board again: a board that did not
// answer, or whose line went, may do better at a second try; one that failed or was
// refused will not.
enum class FailureCause {
    None,
    NoAnswer,          // the board did not answer: its self-test, a write, a read
    NoAcknowledgement, // the bootloader did not acknowledge a block in time
    LineLost,          // the line went
    BoardFailed,       // the board answered that something failed: its self-test, a write
    Refused,           // what was asked will not do: a file not approved or unreadable, fields that break a rule
    Mismatch,          // the board gave back other than was written
    Station,           // the station stopped: flash.ini is gone, or the job could not be put on record
    Interrupted,       // replaced by a new job, or stopped by a front
    NoSerial,          // a bring-up's: no serial number could be had for the board
};

// Whether a second try might cure it.
constexpr bool curable(FailureCause cause)
{
    return cause == FailureCause::NoAnswer || cause == FailureCause::NoAcknowledgement || cause == FailureCause::LineLost;
}

// Where a job was when it ended, as the records keep it (words::kSteps, in this order):
// the engine's steps, and a bring-up's choice of a serial number and its label.
enum class Step { None, SelfTest, Read, Serial, InitDisk, Format, InitData, Write, ReadBack, Label };

// Where a job's six product fields came from: read from the board, the defaults of
// flash.ini standing in for a board that kept them to itself, or the values written
// (NotWritten: those the job set out to write, when the write did not take).
enum class FieldSource { None, Board, Defaults, Written, NotWritten };

// One of a flash job's two download files, as it was counted before its download, and
// what the download came to once it ran.
struct DownloadFile {
    std::string path;
    FileDigest digest;
    bool ran = false;
    int blocks = 0;    // sent to the bootloader
    Millis millis = 0; // from the download's start to its end
};

// Everything a front needs to know of a job, computed once by the engine: at its start
// (outcome Running), and complete at its end.
struct JobSummary {
    JobKind kind = JobKind::Flash;
    JobOutcome outcome = JobOutcome::Running;
    FailureCause cause = FailureCause::None;
    Step step = Step::None; // once it ended: where it was
    std::string caption; // the status text (DISP1) at the end
    std::string message; // the last box of the job, the station's fault, or why the line went
    ProductFields fields;
    FieldSource fieldsFrom = FieldSource::None;
    std::string serial;  // the board's own, once read from it or written to it
    std::optional<DownloadFile> initDisk, initData;
    std::optional<Millis> formatWait; // once the board was given its format time
    std::string readBackDifference;   // a written field the board gave back otherwise
    std::optional<ProductField> differs; // the first of them
    double seconds = 0;

    bool passed() const { return outcome == JobOutcome::Passed; }
    // What to say when it did not pass: the message, else the caption; "" when it did.
    std::string failure() const;
};

// A job's time as a person reads it: "01:05" for 65 s.
std::string elapsedText(double seconds);

// The words every front and record uses.
const char* jobName(JobKind kind);             // "flash", "prodinfo", "selftest"
const char* outcomeName(JobOutcome outcome);   // "running", "passed", "failed", "interrupted"
const char* stepName(Step step);               // "" for none, "self-test", "initdisk", ...
const char* causeName(FailureCause cause);     // "" for none, "no-answer", "line-lost", ...
// Why it did not pass in a few words that fit on a tile: "read-back: serial differs",
// "initdisk: line lost"; "" when it passed.
std::string failureInBrief(Step step, FailureCause cause, std::optional<ProductField> differs = std::nullopt);

} // namespace auxpad
