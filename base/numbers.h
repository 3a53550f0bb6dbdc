#pragma once

#include <string_view>

namespace auxpad {

// Leading blanks, an optional sign, digits with an optional decimal point, up to the
// first other character; 0 when there is no number.
double lenientNumber(std::string_view text);

// Nearest whole number, halves to even, held within the range of int.
int roundHalfEven(double value);

} // namespace auxpad
