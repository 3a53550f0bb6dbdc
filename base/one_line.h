#pragma once

#include <string>
#include <string_view>

namespace auxpad {

// A text of several lines (a caption, a box) on one line, as a table, a tile or a list
// shows it: its lines, blanks at their ends dropped and empty ones left out, with " / "
// between them.
std::string oneLine(std::string_view text);

} // namespace auxpad
