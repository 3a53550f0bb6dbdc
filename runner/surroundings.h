#pragma once

#include <QCoreApplication>

#include <functional>

#include "clock/clock.h"
#include "label/printer_send.h"
#include "records/journal.h"
#include "runner/serial_line.h"

namespace auxpad {

// What a bench stands on: the clock its shells and keepers read, where its boards' lines
// come from, where its waiting work runs, the printer its labels go to, and the process
// its records name (and whether the process that wrote a record still runs), and, in a
// simulation, whether the line's database can be reached. A station
// stands on the real ones; a simulated shift gives its benches simulated ones.
struct Surroundings {
    Clock* clock = &realClock();
    LineSource* lines = &serialPorts();
    Offload offload = Offload::OwnThread;
    PrinterLink printer = sendToPrinter;
    qint64 process = QCoreApplication::applicationPid();
    std::function<bool(qint64)> processAlive = Journal::processAlive;
    // Why the line's database cannot be reached now ("" while it can): a simulated outage.
    std::function<QString()> lineAway;
};

} // namespace auxpad
