#pragma once

#include <optional>
#include <string>

namespace auxsim {

// The port map is a text of "COMn=<device path>" lines that tells the tool
// which device stands for which COM number. These edit one line and leave
// every other line as it was.

struct PortMapEdit {
    std::string text;
    std::optional<std::string> previousLine; // the line replaced, if there was one
};

// Sets "<key>=<value>", replacing the first line for key or appending one.
PortMapEdit setPortLine(const std::string &text, const std::string &key, const std::string &value);

// Undoes setPortLine: puts the previous line back, or removes the line when
// there was none. Leaves the text alone (returns nullopt) when the line for
// key no longer holds our value, because someone else has taken the port.
std::optional<std::string> restorePortLine(const std::string &text, const std::string &key,
                                           const std::string &ourValue,
                                           const std::optional<std::string> &previousLine);

} // namespace auxsim
