#pragma once

namespace auxpad {

// Where a station's job stands. The flash job walks from FlashBoardCheck to
// FlashFormatWait; the product-information job has one step before it writes.
enum class JobMode {
    Idle,
    FlashBoardCheck,   // self-test sent; awaiting its answer or a power-up
    FlashReadInfo,     // next tick: ask for the product information
    FlashAwaitInfo,    // awaiting it; the defaults stand in if it does not come
    FlashInitDisk,     // next tick: the InitDisk download
    FlashFormatWait,   // the board formats its flash; then the InitData download
    ProductBoardCheck, // self-test sent; then the product information is written
};

} // namespace auxpad
