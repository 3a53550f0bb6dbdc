#pragma once

#include <QObject>
#include <QString>

#include <memory>

#include "base/expected.h"
#include "fbus/frame.h"
#include "runner/port_map.h"

namespace auxpad {

// One board's serial line as its runner drives it, of two kinds: a port of this machine
// (QSerialPort), and a simulated board's line inside this process. It says what it
// brought and when it is lost; it never waits.
class SerialLine : public QObject {
    Q_OBJECT
public:
    // Opens `port`, or says why it cannot be used, naming it.
    virtual Expected<void, QString> open(const PortName& port) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Puts the bytes on the line now; `drained` is told once none waits to leave.
    virtual void write(const Bytes& bytes) = 0;
    // What the line brought since the last call.
    virtual Bytes takeReceived() = 0;

signals:
    void received();               // bytes arrived: takeReceived()
    void drained();                // every byte written has left
    void lost(const QString& why); // hung up or unplugged; the line is closed
};

// Where a bench's lines come from, and which device a port's name leads to now (a board
// swapped on a USB adapter may come back as another device).
class LineSource {
public:
    virtual ~LineSource() = default;
    virtual std::unique_ptr<SerialLine> line() = 0;
    // A line at another speed, for a device that is no board (a stack light); a
    // simulated line has no speed, and is the same line.
    virtual std::unique_ptr<SerialLine> lineAt(int bitsPerSecond)
    {
        (void)bitsPerSecond;
        return line();
    }
    virtual PortName resolve(const std::string& name) = 0;
};

// This machine's serial ports, named through the port map: 115200 bit/s (or the speed a
// line is asked at), 8N1, no flow control, with DTR and RTS held high (a cable that
// powers its level shifter from them then works; one that ignores them is unaffected),
// and low latency asked of the driver where it has any.
LineSource& serialPorts();

} // namespace auxpad
