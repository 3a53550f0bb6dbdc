#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace figures {

using Block = std::vector<std::uint8_t>;

// The bootloader blocks of a download file, made here without the tool's code: six lines
// a block, header 80 12 00 LEN, the data, the two XOR bytes.
std::vector<Block> blocksOfFile(const std::string& path);

// The least a program can do to deliver the blocks: open the line raw, then per block
// write it and wait for 0x90 with poll and read. Returns the seconds from the first write
// to the last 0x90.
double referenceLoopSeconds(const std::string& device, const std::vector<Block>& blocks);

} // namespace figures
