#include <QApplication>
#include <QCommandLineParser>

#include "app/flash_main.h"
#include "app/main_loop.h"
#include "app/startup.h"
#include "app/station.h"
#include "fbus/msg_window.h"
#include "platform/host/disk_text_files.h"
#include "platform/host/qt_dialogs.h"
#include "platform/host/qt_event_pump.h"
#include "platform/host/qt_serial_port.h"
#include "platform/host/tick_clock.h"
#include "platform/runtime_fault.h"

// Main: start-up, the polling loop, shutdown.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("auxpad-flash"));
    QApplication::setApplicationVersion(QStringLiteral("2.0"));
    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral(
        "Flashes the AUXPAD board's DSP and writes its product information over one serial line.\n"
        "Everything else comes from flash.ini in the working directory; the COM port number maps to a device\n"
        "through ports.conf in $XDG_CONFIG_HOME/auxpad-flash (lines COMn=/dev/...), else COMn is /dev/ttyS<n-1>."));
    options.addHelpOption();
    options.addVersionOption();
    options.process(app);

    platform::QtSerialPort port;
    platform::TickClock clock;
    platform::DiskTextFiles files;
    platform::QtDialogs dialogs;
    FlashMain flashMain;
    MsgWin msgWin;
    auxpad::Station station({port, clock, files, flashMain, msgWin, dialogs});

    int exitCode = 0;
    auto fault = [&](const std::string& message) {
        auxpad::MSG_BOX(station, message, platform::Icon::Critical);
        exitCode = 1;
        flashMain.close();
        msgWin.close();
    };
    flashMain.attach(station, fault);
    msgWin.attach(station, fault);

    try {
        auxpad::Form_Load(station);
    } catch (const platform::RuntimeFault& startFault) {
        msgWin.close();
        dialogs.messageBox(startFault.what(), platform::Icon::Critical);
        return 1;
    }
    flashMain.show();

    platform::QtEventPump events(&flashMain, &msgWin);
    try {
        auxpad::MAIN_LOOP(station, events);
    } catch (const platform::RuntimeFault& runFault) {
        fault(runFault.what());
    }
    port.close();
    return exitCode;
}
