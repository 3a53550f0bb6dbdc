#pragma once

#include <optional>
#include <string>

namespace auxpad {

// The board and flash.ini speak 8-bit Latin-1 text; the windows speak UTF-8.

std::string latin1ToUtf8(const std::string& latin1);

// nullopt when a character does not fit one Latin-1 byte (or the text is not UTF-8).
std::optional<std::string> utf8ToLatin1(const std::string& utf8);

// Number of characters (code points) of a UTF-8 text.
std::size_t utf8Length(const std::string& utf8);

} // namespace auxpad
