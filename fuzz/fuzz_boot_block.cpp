// Bootloader blocks from arbitrary text: whatever is to be sent is one whole block.

#include "bootload/boot_block.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auxpad::BootBlock block = auxpad::buildBootBlock({reinterpret_cast<const char*>(data), size});
    fuzz::require((block.verdict == auxpad::BootBlock::Verdict::Ok) == !block.bytes.empty(), "bytes only for a block");
    if (block.bytes.empty())
        return 0;
    const auto& b = block.bytes;
    fuzz::require(b.size() >= 8 && b.size() <= 200, "block size within 8 to 200 bytes");
    fuzz::require(b[0] == 0x80 && b[1] == 0x12 && b[2] == 0x00, "block header 80 12 00");
    fuzz::require(b[3] % 2 == 0 && b.size() == b[3] + 6u, "block length byte matches the block");
    std::uint8_t even = 0;
    std::uint8_t odd = 0;
    for (std::size_t i = 0; i < b.size(); ++i)
        (i % 2 ? odd : even) ^= b[i];
    fuzz::require(even == 0 && odd == 0, "block checksum");
    return 0;
}
