// Arbitrary line traffic with timer ticks between, into the station while it runs the
// job the input picks, the simulated board answering on the line.
//
// Input: one set-up byte, then chunks. Set-up bits 2-3: 0 no job, 1 "Step 2: Flash
// AUXPAD", 2 "Step 3: Write AUXPAD Product Info". Chunk: a control byte c; c < 0x80
// means the next c + 1 bytes arrive on the line; otherwise (c & 0x7F) + 1 ticks pass.

#include "fuzz/fuzz_support.h"
#include "tests/support/engine_rig.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string disk = downloadText(12);
    static const std::string dataFile = downloadText(18);

    fuzz::Input in(data, size);
    EngineRig b;
    b.files.files["/station/disk.txt"] = disk;
    b.files.files["/station/data.txt"] = dataFile;
    switch ((in.byte() >> 2) & 3) {
    case 1:
        b.flash();
        break;
    case 2:
        b.writeInfo({"1234", "123456789ab", "123456789ab", "123456789", "1234567", "150603"});
        break;
    default:
        break;
    }
    while (!in.empty()) {
        const std::uint8_t c = in.byte();
        if (c < 0x80)
            b.fromBoard(in.bytes(c + 1u));
        else
            b.tick((c & 0x7F) + 1);
    }
    fuzz::requireWholeFrames(*b.board());
    return 0;
}
