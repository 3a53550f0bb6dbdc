#pragma once

#include "core/types.h"

#include <span>

namespace auxsim {

namespace boot {
constexpr std::uint8_t kStart = 0x80;
constexpr std::uint8_t kHeader1 = 0x12;
constexpr std::uint8_t kHeader2 = 0x00;
constexpr std::uint8_t kAck = 0x90;
constexpr std::size_t kHeaderSize = 4;
constexpr std::size_t kMaxDataLen = 194;
} // namespace boot

enum class BlockVerdict {
    Ok,
    BadHeader,
    ZeroLength,
    OddLength,
    LengthTooLong,
    WrongSize,
    BadChecksum,
};

const char *verdictText(BlockVerdict verdict);

struct CheckedBlock {
    BlockVerdict verdict = BlockVerdict::Ok;
    Bytes data; // filled when verdict is Ok
};

// A bootloader block on the wire: 80 12 00 LEN, LEN data bytes, then the XOR
// of the bytes at even offsets and the XOR of the bytes at odd offsets.
CheckedBlock checkBlock(std::span<const std::uint8_t> block);

// Total wire size of a block carrying len data bytes.
constexpr std::size_t blockSize(std::size_t len) { return boot::kHeaderSize + len + 2; }

} // namespace auxsim
