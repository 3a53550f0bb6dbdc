#pragma once

#include <string_view>

#include "fbus/frame.h"

namespace auxpad {

// The bootloader's one message and one reply: a block 80 12 00 LEN, LEN data bytes (even,
// at most 194), and the two XOR bytes; the bootloader answers each with 0x90.
inline constexpr std::uint8_t kBootAck = 0x90;
inline constexpr std::size_t kBootMaxData = 194; // header, data and checksum fit 201 bytes
inline constexpr int kBootAckTimeoutMs = 5000;
inline constexpr int kLinesPerBlock = 6;

struct BootBlock {
    enum class Verdict {
        Ok,         // `bytes` is the block to send
        Empty,      // no data at all: nothing to send, and it counts as delivered
        BadText,    // a character that is neither a hex digit nor a separator
        BadLength,  // an odd number of data bytes, or more than a block carries
    };
    Verdict verdict = Verdict::Ok;
    Bytes bytes;
};

// The block for the text of up to six download lines (each preceded by a blank).
BootBlock buildBootBlock(std::string_view lines);

} // namespace auxpad
