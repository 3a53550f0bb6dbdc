#include <QApplication>
#include <QCommandLineParser>

#include "ui/station_start.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("auxpad-flash"));
    QApplication::setApplicationVersion(QStringLiteral(AUXPAD_VERSION));
    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral(
        "Flashes the AUXPAD board's DSP and writes its product information over one serial line.\n"
        "Everything else comes from flash.ini in the working directory; the COM port number maps to a device\n"
        "through ports.conf in $XDG_CONFIG_HOME/auxpad-flash (lines COMn=/dev/...), else COMn is /dev/ttyS<n-1>."));
    options.addHelpOption();
    options.addVersionOption();
    options.process(app);
    return ui::runStation();
}
