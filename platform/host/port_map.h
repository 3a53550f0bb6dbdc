#pragma once

#include <string>

namespace platform {

// Folder of the station's own settings: $XDG_CONFIG_HOME/auxpad-flash, or
// ~/.config/auxpad-flash without it.
std::string configDir();

// The device behind COM port `number`: the COMn line of ports.conf in `dir`, else the
// platform's own name for it. "" for a number that names no port.
std::string deviceForPort(int number, const std::string& dir);

} // namespace platform
