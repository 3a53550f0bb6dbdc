#include "runner/serial_line.h"

#include <QSerialPort>

#include <linux/serial.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace auxpad {

namespace {

// Cuts a USB serial adapter's latency timer, so that each block's reply comes back at
// once rather than after the adapter's timer; lines without such a timer refuse, which
// is no fault.
void askForLowLatency(int fd)
{
    serial_struct settings{};
    if (::ioctl(fd, TIOCGSERIAL, &settings) != 0)
        return;
    settings.flags |= ASYNC_LOW_LATENCY;
    ::ioctl(fd, TIOCSSERIAL, &settings);
}

class PortLine final : public SerialLine {
public:
    explicit PortLine(int bitsPerSecond = QSerialPort::Baud115200) : bitsPerSecond_(bitsPerSecond)
    {
        connect(&port_, &QSerialPort::readyRead, this, &SerialLine::received);
        connect(&port_, &QSerialPort::bytesWritten, this, [this] {
            if (port_.bytesToWrite() == 0)
                emit drained();
        });
        connect(&port_, &QSerialPort::errorOccurred, this, &PortLine::failed);
    }

    Expected<void, QString> open(const PortName& port) override
    {
        shown_ = QString::fromStdString(port.shown());
        if (port.device.empty())
            return unexpected(shown_ + QStringLiteral(" is not a serial port of this machine."));
        port_.setPortName(QString::fromStdString(port.device));
        if (!port_.open(QIODevice::ReadWrite)) {
            const QString reason = port_.errorString();
            switch (port_.error()) {
            case QSerialPort::DeviceNotFoundError:
                return unexpected(shown_ + QStringLiteral(" is not a serial port of this machine: ") + reason);
            case QSerialPort::PermissionError:
                return unexpected(shown_ + QStringLiteral(" is held by another program, or this user may not open it: ")
                                  + reason);
            default:
                return unexpected(shown_ + QStringLiteral(" cannot be opened: ") + reason);
            }
        }
        const bool settingsOk = port_.setBaudRate(bitsPerSecond_) && port_.setDataBits(QSerialPort::Data8)
            && port_.setParity(QSerialPort::NoParity) && port_.setStopBits(QSerialPort::OneStop)
            && port_.setFlowControl(QSerialPort::NoFlowControl);
        if (!settingsOk) {
            const QString reason = port_.errorString();
            port_.close();
            return unexpected(shown_ + QStringLiteral(" does not take %1 bit/s, 8N1: ").arg(bitsPerSecond_) + reason);
        }
        // Pseudo-terminals have no modem lines; that is no fault.
        port_.setDataTerminalReady(true);
        port_.setRequestToSend(true);
        askForLowLatency(static_cast<int>(port_.handle()));
        port_.clearError();
        return {};
    }
    void close() override
    {
        // What was written last (a stack light's off frames) leaves before the process
        // can end: the driver may drop what is still queued when the port closes.
        if (port_.isOpen()) {
            port_.flush();
            ::tcdrain(static_cast<int>(port_.handle()));
        }
        port_.close();
    }
    bool isOpen() const override { return port_.isOpen(); }

    void write(const Bytes& bytes) override
    {
        // Straight to the device while nothing waits in QSerialPort's own buffer, not at
        // the next turn of the event loop: a block is on the line as soon as it is made,
        // and the wait for its answer starts at once. What the device does not take now
        // goes through QSerialPort, which writes it as the device drains: not flushed
        // here, where the device that has just refused more would refuse again, and
        // QSerialPort takes that refusal for a write error.
        std::size_t done = 0;
        if (port_.bytesToWrite() == 0) {
            const ssize_t n = ::write(static_cast<int>(port_.handle()), bytes.data(), bytes.size());
            done = n > 0 ? static_cast<std::size_t>(n) : 0;
        }
        if (done < bytes.size())
            port_.write(reinterpret_cast<const char*>(bytes.data() + done), static_cast<qint64>(bytes.size() - done));
        if (port_.bytesToWrite() == 0)
            emit drained();
    }

    Bytes takeReceived() override
    {
        const QByteArray bytes = port_.readAll();
        const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
        return Bytes(data, data + bytes.size());
    }

private:
    void failed(QSerialPort::SerialPortError error)
    {
        // Only a line that is gone is lost; a line that takes no bytes is a board that
        // does not answer, which the engine's own time-outs report.
        if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError && error != QSerialPort::WriteError)
            return;
        const QString why = QStringLiteral("The serial port %1 is gone: %2").arg(shown_, port_.errorString());
        port_.close();
        emit lost(why);
    }

    QSerialPort port_;
    QString shown_;
    int bitsPerSecond_;
};

class SerialPorts final : public LineSource {
public:
    std::unique_ptr<SerialLine> line() override { return std::make_unique<PortLine>(); }
    std::unique_ptr<SerialLine> lineAt(int bitsPerSecond) override { return std::make_unique<PortLine>(bitsPerSecond); }
    PortName resolve(const std::string& name) override { return resolvePort(name); }
};

} // namespace

LineSource& serialPorts()
{
    static SerialPorts ports;
    return ports;
}

} // namespace auxpad

#include "moc_serial_line.cpp"
