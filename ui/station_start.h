#pragma once

#include <QString>

namespace auxpad::ui {

// What the station window is started with besides flash.ini.
struct StationOptions {
    QString records;    // --db: where every job goes on record (see StoreUrls::chooseUrl)
    QString station;    // --station, "" for the default name
    QString operatorId; // --operator, else $AUXPAD_FLASH_OPERATOR; "" for nobody
    bool badge = false; // --badge: the small window that signs an operator in by badge
};

// The station window on the board whose COM port flash.ini in the working directory
// names: reads the port, opens it, shows the windows and runs until they are closed.
// A start-up fault is told in a box and the window never shows. Returns the exit code.
int runStation(const StationOptions& options);

} // namespace auxpad::ui
