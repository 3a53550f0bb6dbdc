#pragma once

#include <string>

#include "base/ticks.h"

namespace auxpad {

// The three-line caption of a download: percentage, file name, elapsed time.
struct ProgressStyle {
    const char* downloading; // "Downloading " or, before InitDisk's last block, "Downloading"
    const char* percent;     // "%" or "% of file"
    bool colonAfterMinutes;  // "01:Min" instead of "01Min"
};

std::string progressText(const ProgressStyle& style, float percent, const std::string& fileName, Millis elapsed);

} // namespace auxpad
