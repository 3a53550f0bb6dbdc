// SEND_BOOT_BLOCK over arbitrary block text, against a bootloader that answers every
// block with 0x90. Whatever leaves must be one whole block with a sound checksum.

#include "bootload/boot_block.h"
#include "fuzz/fuzz_support.h"
#include "tests/unit/boot_board.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fakes::Bench b;
    BootBoard boot(b);
    const std::string text(reinterpret_cast<const char*>(data), size);
    const bool acknowledged = auxpad::SEND_BOOT_BLOCK(b.st, text);
    fuzz::require(boot.blocks.size() <= 1, "at most one block per call");
    fuzz::require(b.port.written.empty(), "nothing written but whole blocks");
    if (!boot.blocks.empty()) {
        fuzz::requireWellFormedBlock(boot.blocks[0]);
        fuzz::require(acknowledged, "an answered block counts as acknowledged");
    }
    return 0;
}
