#pragma once

#include <cstdint>
#include <string>

namespace auxpad {

// Name of a service message id, or "" for an id outside the catalogue.
std::string messageName(std::uint8_t id);

} // namespace auxpad
