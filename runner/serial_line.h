#pragma once

#include <QString>

#include "base/expected.h"
#include "runner/port_map.h"

class QSerialPort;

namespace auxpad {

// Opens `port` on `line` at 115200 bit/s, 8N1, no flow control, with DTR and RTS held
// high (a cable that powers its level shifter from them then works; one that ignores
// them is unaffected), and asks the driver for low latency where it has any; or why the
// port cannot be used, naming it.
Expected<void, QString> openSerialLine(QSerialPort& line, const PortName& port);

} // namespace auxpad
