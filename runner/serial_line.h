#pragma once

#include <QString>

#include "runner/port_map.h"

class QSerialPort;

namespace auxpad {

// Opens `port` on `line` at 115200 bit/s, 8N1, no flow control, with DTR and RTS held
// high (a cable that powers its level shifter from them then works; one that ignores
// them is unaffected), and asks the driver for low latency where it has any. Returns ""
// or why the port cannot be used, naming it.
QString openSerialLine(QSerialPort& line, const PortName& port);

// Cuts a USB serial adapter's latency timer, so that each block's reply comes back at
// once rather than after the adapter's timer; lines without such a timer refuse, which
// is no fault.
void askForLowLatency(int fd);

} // namespace auxpad
