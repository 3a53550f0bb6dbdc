#pragma once

#include <QSerialPort>

#include "platform/serial_port.h"

namespace platform {

// The board's serial line on QSerialPort. DTR and RTS are held high while the port is
// open: a cable that powers its level shifter from them then works, and a cable that
// ignores them is unaffected.
class QtSerialPort final : public SerialPort {
public:
    QtSerialPort();

    void setPortNumber(int number) override;
    void open() override;
    void close() override;
    bool isOpen() const override;

    std::int16_t bytesWaiting() override;
    std::vector<std::uint8_t> readAll() override;

    void write(const std::uint8_t* bytes, std::size_t count) override;
    void flush() override;
    bool waitForData(int milliseconds) override;

    std::string deviceName() const; // "COMn (device)"

private:
    void checkAlive();

    QSerialPort port_;
    std::vector<std::uint8_t> unsent_; // written bytes not yet handed to QSerialPort
    int number_ = 0;
    std::string device_;
};

} // namespace platform
