#pragma once

#include <string>

namespace auxpad {

// Folder of the station's own settings: $XDG_CONFIG_HOME/auxpad-flash, or
// ~/.config/auxpad-flash without it.
std::string configDir();

// The device behind COM port `number`: the COMn line of ports.conf in `dir`, else
// /dev/ttyS<n-1>. "" for a number that names no port.
std::string deviceForPort(int number, const std::string& dir);

// A port as the operator names it, COMn or a device path, and the device it leads to.
struct PortName {
    std::string name;   // "COM7", or the device path itself
    std::string device; // "" when the name leads to no device
    // "COM7 (/dev/pts/3)", or just the device path.
    std::string shown() const;
};
PortName resolvePort(const std::string& text);

} // namespace auxpad
