#include "fbus/checksum.h"

namespace auxpad {

void FBUS_CHECKSUM(std::uint8_t* b, std::uint8_t& n)
{
    if (n & 1) {
        b[n] = 0x00;
        ++n;
    }
    std::uint8_t even = 0;
    std::uint8_t odd = 0;
    for (int i = 0; i + 1 < n; i += 2) {
        even ^= b[i];
        odd ^= b[i + 1];
    }
    b[n] = even;
    b[n + 1] = odd;
    n = static_cast<std::uint8_t>(n + 2);
}

} // namespace auxpad
