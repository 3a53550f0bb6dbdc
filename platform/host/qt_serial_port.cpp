#include "platform/host/qt_serial_port.h"

#include <QElapsedTimer>

#include "platform/host/port_map.h"
#include "platform/runtime_fault.h"

namespace platform {

namespace {
constexpr int kWriteStallMs = 5000; // a real line drains 512 bytes in 45 ms
}

QtSerialPort::QtSerialPort() = default;

void QtSerialPort::setPortNumber(int number)
{
    number_ = number;
}

std::string QtSerialPort::deviceName() const
{
    std::string name = "COM" + std::to_string(number_);
    if (!device_.empty())
        name += " (" + device_ + ")";
    return name;
}

void QtSerialPort::open()
{
    device_ = deviceForPort(number_, configDir());
    if (device_.empty())
        throw RuntimeFault(deviceName() + " is not a serial port of this machine.");
    port_.setPortName(QString::fromStdString(device_));
    if (!port_.open(QIODevice::ReadWrite)) {
        const auto error = port_.error();
        const std::string reason = port_.errorString().toStdString();
        if (error == QSerialPort::DeviceNotFoundError)
            throw RuntimeFault(deviceName() + " is not a serial port of this machine: " + reason);
        if (error == QSerialPort::PermissionError)
            throw RuntimeFault(deviceName() + " is held by another program, or this user may not open it: " + reason);
        throw RuntimeFault(deviceName() + " cannot be opened: " + reason);
    }
    const bool settingsOk = port_.setBaudRate(QSerialPort::Baud115200) && port_.setDataBits(QSerialPort::Data8)
        && port_.setParity(QSerialPort::NoParity) && port_.setStopBits(QSerialPort::OneStop)
        && port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!settingsOk) {
        const std::string reason = port_.errorString().toStdString();
        port_.close();
        throw RuntimeFault(deviceName() + " does not take 115200 bit/s, 8N1: " + reason);
    }
    // Pseudo-terminals have no modem lines; that is no fault.
    port_.setDataTerminalReady(true);
    port_.setRequestToSend(true);
    port_.clearError();
}

void QtSerialPort::close()
{
    unsent_.clear();
    port_.close();
}

bool QtSerialPort::isOpen() const
{
    return port_.isOpen();
}

void QtSerialPort::checkAlive()
{
    // A line that was hung up or unplugged fails every read from then on.
    const auto error = port_.error();
    if (!port_.isOpen() || error == QSerialPort::ResourceError || error == QSerialPort::ReadError
        || error == QSerialPort::WriteError)
        throw RuntimeFault("The serial port " + deviceName() + " is gone: "
                           + port_.errorString().toStdString());
}

std::int16_t QtSerialPort::bytesWaiting()
{
    checkAlive();
    const qint64 n = port_.bytesAvailable();
    return static_cast<std::int16_t>(n > INT16_MAX ? INT16_MAX : n);
}

std::vector<std::uint8_t> QtSerialPort::readAll()
{
    checkAlive();
    const QByteArray data = port_.readAll();
    return {data.begin(), data.end()};
}

void QtSerialPort::write(const std::uint8_t* bytes, std::size_t count)
{
    // Bytes come one at a time; QSerialPort gets them as one write per frame or block.
    unsent_.insert(unsent_.end(), bytes, bytes + count);
}

void QtSerialPort::flush()
{
    // QSerialPort only writes from its buffer when the event loop runs; downloads and
    // frames sent from inside a handler must leave now. Its own flush hands the line
    // what it takes at once, without first polling whether it would; the rest, if any,
    // is waited out.
    if (!unsent_.empty()) {
        port_.write(reinterpret_cast<const char*>(unsent_.data()), static_cast<qint64>(unsent_.size()));
        unsent_.clear();
    }
    port_.flush();
    QElapsedTimer stalled;
    stalled.start();
    while (port_.bytesToWrite() > 0) {
        checkAlive();
        const qint64 before = port_.bytesToWrite();
        port_.waitForBytesWritten(100);
        if (port_.bytesToWrite() < before)
            stalled.restart();
        else if (stalled.elapsed() > kWriteStallMs)
            throw RuntimeFault("The serial port " + deviceName() + " takes no more data.");
    }
}

bool QtSerialPort::waitForData(int milliseconds)
{
    checkAlive();
    if (port_.bytesAvailable() > 0)
        return true;
    port_.waitForReadyRead(milliseconds);
    checkAlive();
    return port_.bytesAvailable() > 0;
}

} // namespace platform
