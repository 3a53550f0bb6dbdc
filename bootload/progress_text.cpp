#include <cmath>
#include <cstdio>

#include "bootload/downloads.h"
#include "bootload/messages.h"

namespace auxpad {

namespace {

// At least two digits, as "#00" formats a whole number.
std::string twoDigits(long value)
{
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%02ld", value);
    return buffer;
}

} // namespace

std::string progressText(const ProgressStyle& style, float percent, const std::string& fileName,
                         std::int32_t elapsedMs)
{
    const long minutes = (elapsedMs % 3600000) / 60000;
    const long seconds = ((elapsedMs % 60000) + 500) / 1000; // halves go up, so 59.5 s reads 60
    std::string text = style.downloading;
    text += twoDigits(std::lround(percent));
    text += style.percent;
    text += '\n';
    text += fileName;
    text += '\n';
    text += text::ELAPSED_TIME;
    text += twoDigits(minutes);
    if (style.colonAfterMinutes)
        text += ':';
    text += text::MIN;
    text += twoDigits(seconds);
    text += text::SEC;
    return text;
}

} // namespace auxpad
