#include "base/latin1.h"

#include <cstdint>

namespace auxpad {

std::string latin1ToUtf8(const std::string& latin1)
{
    std::string out;
    out.reserve(latin1.size());
    for (const char ch : latin1) {
        const auto c = static_cast<std::uint8_t>(ch);
        if (c < 0x80) {
            out.push_back(ch);
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::optional<std::string> utf8ToLatin1(const std::string& utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<std::uint8_t>(utf8[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()
                   && (static_cast<std::uint8_t>(utf8[i + 1]) & 0xC0) == 0x80) {
            out.push_back(static_cast<char>(((c & 0x03) << 6) | (static_cast<std::uint8_t>(utf8[i + 1]) & 0x3F)));
            ++i;
        } else {
            return std::nullopt;
        }
    }
    return out;
}

std::size_t utf8Length(const std::string& utf8)
{
    std::size_t n = 0;
    for (const char ch : utf8) {
        if ((static_cast<std::uint8_t>(ch) & 0xC0) != 0x80)
            ++n;
    }
    return n;
}

} // namespace auxpad
