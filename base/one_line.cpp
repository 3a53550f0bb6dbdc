#include "base/one_line.h"

namespace auxpad {

std::string oneLine(std::string_view text)
{
    std::string out;
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        if (line.empty())
            continue;
        if (!out.empty())
            out += " / ";
        out += line;
    }
    return out;
}

} // namespace auxpad
