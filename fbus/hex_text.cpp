#include "fbus/hex_text.h"

#include <array>

namespace auxpad {

namespace {

// What each character is to the parser: a digit's value, a separator, or neither.
constexpr std::int8_t kSeparator = -1;
constexpr std::int8_t kOther = -2;
constexpr std::array<std::int8_t, 256> kClasses = [] {
    std::array<std::int8_t, 256> classes{};
    classes.fill(kOther);
    for (int c = '0'; c <= '9'; ++c)
        classes[c] = static_cast<std::int8_t>(c - '0');
    for (int c = 'a'; c <= 'f'; ++c)
        classes[c] = classes[c - 'a' + 'A'] = static_cast<std::int8_t>(c - 'a' + 10);
    for (const char c : {' ', ',', '\r', '\n'})
        classes[static_cast<unsigned char>(c)] = kSeparator;
    return classes;
}();

} // namespace

HexParse parseHex(std::string_view text, std::size_t limit)
{
    HexParse out;
    out.bytes.reserve(std::min(limit, text.size() / 2 + 1));
    std::uint8_t acc = 0;
    bool pending = false;
    for (const char c : text) {
        const std::int8_t kind = kClasses[static_cast<unsigned char>(c)];
        if (kind >= 0) {
            acc = static_cast<std::uint8_t>(((acc & 0x0F) << 4) | kind);
            pending = true;
            continue;
        }
        if (kind == kOther)
            return {true, 0, {}};
        if (pending) {
            if (out.count++ < limit)
                out.bytes.push_back(acc);
            acc = 0;
            pending = false;
        }
    }
    if (pending && out.count++ < limit)
        out.bytes.push_back(acc);
    return out;
}

} // namespace auxpad
