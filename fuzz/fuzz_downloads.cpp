// A whole flash job over arbitrary download file contents, the simulated board
// answering every block. Input: one set-up byte (bit 0: the content is the InitData
// file, else the InitDisk file), then the file.

#include "fuzz/fuzz_support.h"
#include "tests/support/engine_rig.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input in(data, size);
    const bool initData = in.byte() & 1;
    // The other file is one that goes through, so that the job reaches the fuzzed one.
    EngineRig b;
    b.files.files["/station/flash.ini"] = "Format=\"20\"\r\n";
    b.files.files["/station/disk.txt"] = initData ? downloadText(6, 2) : in.rest();
    b.files.files["/station/data.txt"] = initData ? in.rest() : std::string(10000, '\r');
    b.flash();
    b.runUntil([&] { return b.engine.jobMode() == auxpad::JobMode::Idle; }, 60000);
    fuzz::require(b.engine.jobMode() == auxpad::JobMode::Idle, "the job ends");
    fuzz::require(b.bars.empty() || !b.bar().visible, "the bar is hidden at the end");
    fuzz::requireWholeFrames(*b.board());
    return 0;
}
