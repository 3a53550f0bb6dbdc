#pragma once

namespace auxpad {

// Where the board sequencer stands, as the board's documentation numbers it. The flash
// job walks from FlashSelfTest to FlashFormatWait (its InitData download included); the
// product-information job has one step before it writes, after which the sequencer is
// idle while the write is awaited; the self-test job has one step before it ends.
enum class JobMode {
    Idle,
    FlashSelfTest,   // self-test sent; awaiting its answer or a power-up
    FlashReadInfo,   // next tick: ask for the product information
    FlashAwaitInfo,  // awaiting it; the defaults stand in if it does not come
    FlashInitDisk,   // the InitDisk download, at the next tick
    FlashFormatWait, // the board formats its flash; then the InitData download
    ProductSelfTest, // self-test sent; then the product information is written
    ProductReadBack, // the write taken: the product information is read back and compared
    SelfTest,        // self-test sent; its answer is the job's result
};

// What a job is doing, as a front reports it.
enum class Phase { Idle, SelfTest, ReadingInfo, InitDisk, FormatWait, InitData, WritingInfo, ReadingBack };

// "self-test", "InitDisk", ...
const char* phaseName(Phase phase);

} // namespace auxpad
