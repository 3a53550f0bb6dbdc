#include "core/port_map_text.h"

#include <vector>

namespace auxsim {
namespace {

std::vector<std::string> splitLines(const std::string &text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string joinLines(const std::vector<std::string> &lines)
{
    std::string text;
    for (const std::string &line : lines)
        text += line + "\n";
    return text;
}

bool isLineFor(const std::string &line, const std::string &key)
{
    return line.size() > key.size() && line.compare(0, key.size(), key) == 0 && line[key.size()] == '=';
}

} // namespace

PortMapEdit setPortLine(const std::string &text, const std::string &key, const std::string &value)
{
    std::vector<std::string> lines = splitLines(text);
    PortMapEdit edit;
    const std::string ours = key + "=" + value;
    bool replaced = false;
    for (std::string &line : lines) {
        if (isLineFor(line, key)) {
            edit.previousLine = line;
            line = ours;
            replaced = true;
            break;
        }
    }
    if (!replaced)
        lines.push_back(ours);
    edit.text = joinLines(lines);
    return edit;
}

std::optional<std::string> restorePortLine(const std::string &text, const std::string &key,
                                           const std::string &ourValue,
                                           const std::optional<std::string> &previousLine)
{
    std::vector<std::string> lines = splitLines(text);
    const std::string ours = key + "=" + ourValue;
    for (auto it = lines.begin(); it != lines.end(); ++it) {
        if (!isLineFor(*it, key))
            continue;
        if (*it != ours)
            return std::nullopt;
        if (previousLine)
            *it = *previousLine;
        else
            lines.erase(it);
        return joinLines(lines);
    }
    return std::nullopt;
}

} // namespace auxsim
