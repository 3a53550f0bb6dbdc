// The InitDisk and InitData downloads over arbitrary file contents. Input: one set-up
// byte (bit 0: InitData instead of InitDisk; bits 1-3: the block the bootloader leaves
// unanswered, 0 for none), one byte added to InitDisk's counted lines as a signed
// number (the file changed since it was counted), then the file.

#include "bootload/downloads.h"
#include "bootload/file_lines.h"
#include "fuzz/fuzz_support.h"
#include "tests/unit/boot_board.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input in(data, size);
    const std::uint8_t setup = in.byte();
    const auto drift = static_cast<std::int8_t>(in.byte());
    fakes::Bench b;
    BootBoard boot(b);
    b.files.files["download.txt"] = in.rest();
    const std::size_t silent = (setup >> 1) & 7;
    if (silent)
        boot.silentBlocks.insert(silent);

    if (setup & 1) {
        b.main.selected[1] = "download.txt";
        auxpad::FLASH_DSP(b.st);
    } else {
        b.main.selected[0] = "download.txt";
        std::string reason;
        fuzz::require(auxpad::countLines(b.st, "download.txt", b.st.DISK_LINES, reason), "file counted");
        b.st.DISK_LINES += drift;
        auxpad::INIT_DISK(b.st);
    }
    for (const auto& block : boot.blocks)
        fuzz::requireWellFormedBlock(block);
    fuzz::require(b.port.written.empty(), "nothing written but whole blocks");
    fuzz::require(b.files.openNow == 0, "download file closed on every path");
    fuzz::require(!b.main.prgVisible, "progress bar hidden at the end");
    fuzz::require(!b.st.FLASH_OK || silent == 0 || boot.blocks.size() < silent, "no success past an unanswered block");
    return 0;
}
