#pragma once

#include <QStringList>

namespace ui {

// `auxpad-flash line --port PORT [--port PORT]... [--disk FILE] [--data FILE] [--ini FILE]
// [--db URL]`: the line window for a bench of boards. A port or file that cannot be had
// is told in a box and the window does not open. Returns the exit status.
int runLine(const QStringList& arguments);

} // namespace ui
