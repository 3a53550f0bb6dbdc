#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace auxpad {

// The name of `known` that `typed` was most likely meant to be: the nearest by the edits
// that turn one into the other (a letter added, dropped, changed, or two swapped), when it
// is near enough to be a slip of the keyboard rather than another word; none otherwise.
std::optional<std::string> nearestName(std::string_view typed, std::span<const char* const> known);

} // namespace auxpad
