#include "bootload/boot_block.h"

#include <algorithm>

#include "fbus/hex_text.h"

namespace auxpad {

BootBlock buildBootBlock(std::string_view lines)
{
    // Parsing stops storing past the largest block, so an oversized one costs no memory.
    HexParse data = parseHex(lines, kBootMaxData + 1);
    if (data.badCharacter)
        return {BootBlock::Verdict::BadText, {}};
    if (data.count > kBootMaxData || (data.count & 1))
        return {BootBlock::Verdict::BadLength, {}};
    if (data.count == 0)
        return {BootBlock::Verdict::Empty, {}};
    Bytes block(4 + data.count);
    block[0] = 0x80;
    block[1] = 0x12;
    block[3] = static_cast<std::uint8_t>(data.count);
    std::copy(data.bytes.begin(), data.bytes.end(), block.begin() + 4);
    appendChecksum(block);
    return {BootBlock::Verdict::Ok, std::move(block)};
}

} // namespace auxpad
