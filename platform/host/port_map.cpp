#include "platform/host/port_map.h"

#include <cstdlib>
#include <fstream>

namespace platform {

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
#ifdef _WIN32
    return "COM" + std::to_string(number);
#else
    return "/dev/ttyS" + std::to_string(number - 1);
#endif
}

} // namespace platform
