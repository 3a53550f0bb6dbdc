#include "runner/serial_line.h"

#include <QSerialPort>

#include <linux/serial.h>
#include <sys/ioctl.h>

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

} // namespace

Expected<void, QString> openSerialLine(QSerialPort& line, const PortName& port)
{
    const QString shown = QString::fromStdString(port.shown());
    if (port.device.empty())
        return unexpected(shown + QStringLiteral(" is not a serial port of this machine."));
    line.setPortName(QString::fromStdString(port.device));
    if (!line.open(QIODevice::ReadWrite)) {
        const QString reason = line.errorString();
        switch (line.error()) {
        case QSerialPort::DeviceNotFoundError:
            return unexpected(shown + QStringLiteral(" is not a serial port of this machine: ") + reason);
        case QSerialPort::PermissionError:
            return unexpected(shown + QStringLiteral(" is held by another program, or this user may not open it: ") + reason);
        default:
            return unexpected(shown + QStringLiteral(" cannot be opened: ") + reason);
        }
    }
    const bool settingsOk = line.setBaudRate(QSerialPort::Baud115200) && line.setDataBits(QSerialPort::Data8)
        && line.setParity(QSerialPort::NoParity) && line.setStopBits(QSerialPort::OneStop)
        && line.setFlowControl(QSerialPort::NoFlowControl);
    if (!settingsOk) {
        const QString reason = line.errorString();
        line.close();
        return unexpected(shown + QStringLiteral(" does not take 115200 bit/s, 8N1: ") + reason);
    }
    // Pseudo-terminals have no modem lines; that is no fault.
    line.setDataTerminalReady(true);
    line.setRequestToSend(true);
    askForLowLatency(static_cast<int>(line.handle()));
    line.clearError();
    return {};
}

} // namespace auxpad
