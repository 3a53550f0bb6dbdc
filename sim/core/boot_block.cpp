#include "core/boot_block.h"

namespace auxsim {

const char *verdictText(BlockVerdict verdict)
{
    switch (verdict) {
    case BlockVerdict::Ok: return "ok";
    case BlockVerdict::BadHeader: return "bad header";
    case BlockVerdict::ZeroLength: return "no data bytes";
    case BlockVerdict::OddLength: return "odd length";
    case BlockVerdict::LengthTooLong: return "length over 194";
    case BlockVerdict::WrongSize: return "block size does not match its length";
    case BlockVerdict::BadChecksum: return "bad checksum";
    }
    return "?";
}

CheckedBlock checkBlock(std::span<const std::uint8_t> block)
{
    CheckedBlock result;
    if (block.size() < boot::kHeaderSize || block[0] != boot::kStart || block[1] != boot::kHeader1
        || block[2] != boot::kHeader2) {
        result.verdict = BlockVerdict::BadHeader;
        return result;
    }
    const std::size_t len = block[3];
    if (len == 0)
        result.verdict = BlockVerdict::ZeroLength;
    else if (len % 2 != 0)
        result.verdict = BlockVerdict::OddLength;
    else if (len > boot::kMaxDataLen)
        result.verdict = BlockVerdict::LengthTooLong;
    else if (block.size() != blockSize(len))
        result.verdict = BlockVerdict::WrongSize;
    if (result.verdict != BlockVerdict::Ok)
        return result;

    std::uint8_t even = 0;
    std::uint8_t odd = 0;
    for (std::size_t i = 0; i < block.size(); i += 2) {
        even ^= block[i];
        odd ^= block[i + 1];
    }
    if (even != 0 || odd != 0) {
        result.verdict = BlockVerdict::BadChecksum;
        return result;
    }
    result.data.assign(block.begin() + boot::kHeaderSize, block.end() - 2);
    return result;
}

} // namespace auxsim
