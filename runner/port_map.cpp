#include "runner/port_map.h"

#include <cstdlib>
#include <fstream>

namespace auxpad {

std::string configDir()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg)
        return std::string(xdg) + "/auxpad-flash";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.config/auxpad-flash";
}

std::string deviceForPort(int number, const std::string& dir)
{
    if (number < 1)
        return "";
    const std::string key = "COM" + std::to_string(number) + "=";
    std::ifstream conf(dir + "/ports.conf");
    std::string line;
    while (std::getline(conf, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind(key, 0) == 0)
            return line.substr(key.size());
    }
    return "/dev/ttyS" + std::to_string(number - 1);
}

std::string PortName::shown() const
{
    if (device.empty() || device == name)
        return name;
    return name + " (" + device + ")";
}

PortName resolvePort(const std::string& text)
{
    if (text.rfind("COM", 0) == 0 && text.size() > 3
        && text.find_first_not_of("0123456789", 3) == std::string::npos && text.size() < 10)
        return {text, deviceForPort(std::stoi(text.substr(3)), configDir())};
    return {text, text};
}

} // namespace auxpad
