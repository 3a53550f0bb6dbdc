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
} // namespace words

} // namespace auxpad
