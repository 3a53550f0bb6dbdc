#pragma once

#include <QString>

namespace auxpad::ui {

// The station window on the board whose COM port flash.ini in the working directory
// names: reads the port, opens it, shows the windows and runs until they are closed.
// A start-up fault is told in a box and the window never shows. Every job goes on
// record at `records` (see RecordStore::chooseUrl). Returns the exit code.
int runStation(const QString& records, const QString& station = {});

} // namespace auxpad::ui
