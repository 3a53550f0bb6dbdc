#include "core/hex_text.h"

namespace auxsim {
namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isSeparator(char c)
{
    return c == ' ' || c == ',' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

std::string toHex(std::uint8_t byte)
{
    return {kDigits[byte >> 4], kDigits[byte & 0x0F]};
}

std::string toHex(std::span<const std::uint8_t> bytes)
{
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::uint8_t b : bytes) {
        if (!text.empty())
            text += ' ';
        text += toHex(b);
    }
    return text;
}

std::optional<Bytes> parseHexBytes(std::string_view text)
{
    Bytes out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (isSeparator(text[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && !isSeparator(text[end]))
            ++end;
        const std::string_view token = text.substr(i, end - i);
        for (char c : token) {
            if (hexValue(c) < 0)
                return std::nullopt;
        }
        if (token.size() == 1) {
            out.push_back(static_cast<std::uint8_t>(hexValue(token[0])));
        } else if (token.size() % 2 == 0) {
            for (std::size_t k = 0; k < token.size(); k += 2)
                out.push_back(static_cast<std::uint8_t>(hexValue(token[k]) * 16 + hexValue(token[k + 1])));
        } else {
            return std::nullopt;
        }
        i = end;
    }
    return out;
}

} // namespace auxsim
