#pragma once

// The names of a board's result wherever it is said as JSON: a command's --json result
// and the document a sink is sent. One table, so that a receiver reads both alike.
namespace auxpad::fields {
inline constexpr const char* kEvent = "event";
inline constexpr const char* kPort = "port";
inline constexpr const char* kOk = "ok";
inline constexpr const char* kResult = "result";
inline constexpr const char* kJob = "job";
inline constexpr const char* kDevice = "device";
inline constexpr const char* kCaption = "caption";
inline constexpr const char* kMessage = "message";
inline constexpr const char* kStep = "step";
inline constexpr const char* kCause = "cause";
inline constexpr const char* kSerial = "serial";
inline constexpr const char* kDefaults = "defaults";
inline constexpr const char* kSeconds = "seconds";
inline constexpr const char* kSerialSource = "serial_source";
inline constexpr const char* kTries = "tries";
inline constexpr const char* kOperator = "operator";
inline constexpr const char* kOrder = "order";
inline constexpr const char* kRecipe = "recipe";
// A sink's document adds these.
inline constexpr const char* kStation = "station";
inline constexpr const char* kLabel = "label";
inline constexpr const char* kJobUuid = "job_uuid";
inline constexpr const char* kRevision = "revision";
inline constexpr const char* kFinished = "finished";
} // namespace auxpad::fields
