#include "bootload/progress_text.h"

#include <cmath>
#include <charconv>

namespace auxpad {

namespace {

// At least two digits.
void appendTwoDigits(std::string& text, long value)
{
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    if (end - buffer == 1)
        text += '0';
    text.append(buffer, end);
}

} // namespace

std::string progressText(const ProgressStyle& style, float percent, const std::string& fileName, Millis elapsed)
{
    const long minutes = (elapsed % 3600000) / 60000; // hours are dropped
    const long seconds = ((elapsed % 60000) + 500) / 1000; // halves go up, so 59.5 s reads 60
    std::string text = style.downloading;
    text.reserve(64 + fileName.size());
    appendTwoDigits(text, std::lround(percent));
    text += style.percent;
    text += '\n';
    text += fileName;
    text += "\nElapsed Time: ";
    appendTwoDigits(text, minutes);
    if (style.colonAfterMinutes)
        text += ':';
    text += "Min";
    appendTwoDigits(text, seconds);
    text += "Sec";
    return text;
}

} // namespace auxpad
