#pragma once

namespace auxpad {

// Where a station's job stands. The flash job walks from FlashBoardCheck to
// FlashFormatWait; the product-information job has one step before it writes, and the
// self-test job one before it ends.
enum class JobMode {
    Idle,
    FlashBoardCheck,   // self-test sent; awaiting its answer or a power-up
    FlashReadInfo,     // next tick: ask for the product information
    FlashAwaitInfo,    // awaiting it; the defaults stand in if it does not come
    FlashInitDisk,     // next tick: the InitDisk download
    FlashFormatWait,   // the board formats its flash; then the InitData download
    ProductBoardCheck, // self-test sent; then the product information is written
    SelfTestCheck,     // self-test sent; its answer is the job's result
};

// What a job is doing, as a front reports it.
enum class Phase { Idle, BoardCheck, ReadingInfo, InitDisk, FormatWait, InitData, WritingInfo };

// "self-test", "InitDisk", ...
const char* phaseName(Phase phase);

} // namespace auxpad
