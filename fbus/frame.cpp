#include "fbus/frame.h"

namespace auxpad {

void appendChecksum(Bytes& bytes)
{
    if (bytes.size() & 1)
        bytes.push_back(0x00);
    std::uint8_t even = 0;
    std::uint8_t odd = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        even ^= bytes[i];
        odd ^= bytes[i + 1];
    }
    bytes.push_back(even);
    bytes.push_back(odd);
}

void appendHexByte(std::string& text, std::uint8_t b)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    text.push_back(kDigits[b >> 4]);
    text.push_back(kDigits[b & 0x0F]);
    text.push_back(' ');
}

} // namespace auxpad
