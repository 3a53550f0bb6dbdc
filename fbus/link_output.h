#pragma once

#include <string>

#include "fbus/frame.h"

namespace auxpad {

// Where the link's results go: bytes for the line and text for the traffic log. Line
// breaks in the log text are the link's own; nothing is added.
class LinkOutput {
public:
    virtual ~LinkOutput() = default;
    virtual void writeToLine(const Bytes& bytes) = 0;
    virtual void logTraffic(const std::string& text) = 0;
};

} // namespace auxpad
