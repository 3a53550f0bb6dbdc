#pragma once

#include <optional>
#include <string>

namespace auxpad {

struct Station;

// Where flash.ini is read after start-up: START_DIR, a separator and the name, without
// a doubled separator when START_DIR is already a root.
std::string iniPath(const Station& st);

// The text between the first and the second double quote of a line; nullopt when the
// line has fewer than two.
std::optional<std::string> quotedValue(const std::string& line);

// Leading blanks, an optional sign, digits with an optional decimal point, up to the
// first other character; 0 when there is no number.
double lenientNumber(const std::string& text);

// Nearest whole number, halves to even, held within the range of int.
int roundHalfEven(double value);

bool contains(const std::string& line, const char* key);

} // namespace auxpad
