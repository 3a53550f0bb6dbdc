#pragma once

namespace ui {

// The station window on the board whose COM port flash.ini in the working directory
// names: reads the port, opens it, shows the windows and runs until they are closed.
// A start-up fault is told in a box and the window never shows. Returns the exit code.
int runStation();

} // namespace ui
