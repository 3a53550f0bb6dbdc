#pragma once

#include "core/boot_block.h"
#include "core/fbus_frame.h"
#include "core/hex_text.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>

namespace auxsim::testing {

inline Bytes hx(std::string_view text)
{
    auto bytes = parseHexBytes(text);
    if (!bytes)
        throw std::invalid_argument("bad hex in test");
    return *bytes;
}

// A bootloader block around data, with its checksum (and a pad byte if the
// data length is odd, which a good block never has).
inline Bytes bootBlock(const Bytes &data)
{
    Bytes b(boot::kHeaderSize + data.size());
    b[0] = boot::kStart;
    b[1] = boot::kHeader1;
    b[2] = boot::kHeader2;
    b[3] = static_cast<std::uint8_t>(data.size());
    std::copy(data.begin(), data.end(), b.begin() + boot::kHeaderSize);
    appendChecksum(b);
    return b;
}

} // namespace auxsim::testing
