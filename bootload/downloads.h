#pragma once

#include <cstdint>
#include <string>

namespace auxpad {

struct Station;

// Downloads the InitDisk file (File1) block by block; the result is FLASH_OK.
void INIT_DISK(Station& st);

// Counts and downloads the InitData file (File2); the result is FLASH_OK.
void FLASH_DSP(Station& st);

// The three-line progress caption of a download.
struct ProgressStyle {
    const char* downloading; // "Downloading " or, for InitDisk's last block, "Downloading"
    const char* percent;     // "%" or "% of file"
    bool colonAfterMinutes;  // "#00:" instead of "#00"
};
std::string progressText(const ProgressStyle& style, float percent, const std::string& fileName,
                         std::int32_t elapsedMs);

} // namespace auxpad
