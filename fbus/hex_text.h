#pragma once

#include <cstddef>
#include <string_view>

#include "fbus/frame.h"

namespace auxpad {

// Hexadecimal byte values separated by blanks, commas, CR or LF, as the operator types a
// message and as the download files hold their data. A run of digits keeps its last two;
// case does not matter.
struct HexParse {
    bool badCharacter = false; // something else stood in the text; nothing counts then
    std::size_t count = 0;     // values in the text
    Bytes bytes;               // the first `limit` of them
};

HexParse parseHex(std::string_view text, std::size_t limit);

} // namespace auxpad
