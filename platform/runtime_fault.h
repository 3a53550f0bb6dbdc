#pragma once

#include <stdexcept>
#include <string>

namespace platform {

// A fault the tool does not recover from: a missing flash.ini, a port that cannot be
// opened or that vanished. It travels up to the entry point, which reports it in a
// message box and ends the program.
class RuntimeFault : public std::runtime_error {
public:
    explicit RuntimeFault(const std::string& what) : std::runtime_error(what) {}
};

} // namespace platform
