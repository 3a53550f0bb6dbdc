#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace auxpad {

struct Station;

// Parses hexadecimal byte values separated by blanks, commas, CR or LF into `out` and
// returns how many values the text holds. A run of digits keeps its last two. Lower-cases
// `text`. On any other character "Data Error" goes to DISP1 and the result is 0. Values
// beyond `capacity` are counted but never stored, so a result above `capacity` means the
// text does not fit.
std::int32_t HEX_TO_BYTES(Station& st, std::string& text, std::uint8_t* out, std::size_t capacity);

} // namespace auxpad
