#pragma once

#include <cstdint>
#include <string>

namespace auxpad {

struct Station;

// Appends to the traffic log while the message window is visible; drops the text
// otherwise. Adds nothing: line breaks are the caller's.
void MSG_LOG(Station& st, const std::string& text);

// A byte as it stands in the log: two uppercase hex digits and a blank.
void appendHexByte(std::string& line, std::uint8_t b);

} // namespace auxpad
