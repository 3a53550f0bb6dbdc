#pragma once

#include "core/types.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace auxsim {

// "1E 28 00": two uppercase digits per byte, one blank between bytes.
std::string toHex(std::span<const std::uint8_t> bytes);
std::string toHex(std::uint8_t byte);

// Hexadecimal bytes separated by blanks or commas. A token longer than two
// digits is read as consecutive pairs ("4702" is 47 02); a token of odd
// length above one digit is refused, as is any non-hex character.
std::optional<Bytes> parseHexBytes(std::string_view text);

} // namespace auxsim
