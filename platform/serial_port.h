#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

// The one serial line to the board: 115200 bit/s, 8N1, no flow control, raw bytes,
// polled. Operations that find the port gone throw RuntimeFault.
class SerialPort {
public:
    virtual ~SerialPort() = default;

    virtual void setPortNumber(int number) = 0; // takes effect at the next open
    virtual void open() = 0;                    // throws RuntimeFault naming the device
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    virtual std::int16_t bytesWaiting() = 0;         // received bytes not yet read
    virtual std::vector<std::uint8_t> readAll() = 0; // every waiting byte, oldest first

    virtual void write(const std::uint8_t* bytes, std::size_t count) = 0;
    // Hands every written byte to the line before it returns, so that a reply can be
    // awaited without the event loop running.
    virtual void flush() = 0;
    // Blocks without handling other events until bytes are waiting or the time is up.
    virtual bool waitForData(int milliseconds) = 0;
};

} // namespace platform
