#pragma once

namespace auxpad {

// The words every front and every record uses for a job and for how it ended: the one
// table of them, from the engine's jobs up to the records' filters.
namespace words {
inline constexpr const char* kFlash = "flash";
inline constexpr const char* kProductInfo = "prodinfo";
inline constexpr const char* kSelfTest = "selftest";
inline constexpr const char* kRun = "run"; // a board's whole bring-up

inline constexpr const char* kRunning = "running";
inline constexpr const char* kPassed = "passed";
inline constexpr const char* kFailed = "failed"; // a lost line included
inline constexpr const char* kInterrupted = "interrupted";
inline constexpr const char* kAlreadyPassed = "already-passed"; // a board brought up before, left alone

inline constexpr const char* kJobs[] = {kFlash, kProductInfo, kSelfTest, kRun};
inline constexpr const char* kResults[] = {kRunning, kPassed, kFailed, kInterrupted, kAlreadyPassed};

// The step a board was at when its job or bring-up ended: where a failure happened. The
// engine's steps in the order a flash and a write take them, with the bring-up's choice
// of a serial and its label among them.
inline constexpr const char* kSteps[] = {"self-test", "read",  "serial",    "initdisk", "format",
                                         "initdata",  "write", "read-back", "label"};

// What every download's progress caption starts with: a text that is no reason of a failure.
inline constexpr const char* kDownloading = "Downloading";

// Why it did not pass, as a stable word, with the few words a tile or a row says of it
// (a mismatch says which field differs before them).
struct CauseWords {
    const char* word;
    const char* said;
};
inline constexpr CauseWords kCauses[] = {
    {"no-answer", "no answer"},       {"no-ack", "not acknowledged"}, {"line-lost", "line lost"},
    {"board-failed", "board failed"}, {"refused", "refused"},         {"mismatch", "differs"},
    {"station", "station stopped"},   {"interrupted", "stopped"},     {"no-serial", "no serial number"},
};
} // namespace words

} // namespace auxpad
