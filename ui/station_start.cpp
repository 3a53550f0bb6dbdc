#include "ui/station_start.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>

#include "base/numbers.h"
#include "board/flash_ini.h"
#include "runner/board_runner.h"
#include "ui/message_box.h"
#include "ui/station_window.h"
#include "ui/traffic_window.h"

namespace ui {

namespace {

int startupFault(const QString& message)
{
    QMessageBox box(QMessageBox::Critical, kAppTitle, message, QMessageBox::Ok);
    box.exec();
    return 1;
}

} // namespace

int runStation()
{
    StationWindow window; // its folder list starts at the working directory
    TrafficWindow traffic;
    auxpad::DiskFiles files;
    const std::string startDir = window.folder().toStdString();

    const auto com = auxpad::FlashIni(files, "flash.ini").comPort(QDir::toNativeSeparators(window.folder()).toStdString());
    if (!com.fault.empty())
        return startupFault(QString::fromStdString(com.fault));
    const int number = auxpad::roundHalfEven(auxpad::lenientNumber(com.value));
    const auxpad::PortName port{"COM" + std::to_string(number), auxpad::deviceForPort(number, auxpad::configDir())};
    // Every later reading of flash.ini is from the start-up folder, wherever the file
    // lists go.
    const std::string iniPath = auxpad::iniPathIn(startDir);
    auxpad::BoardRunner runner(port, files, iniPath);
    if (const QString why = runner.open(); !why.isEmpty())
        return startupFault(why);
    window.showPortOpened(QString::fromLatin1(com.value.data(), static_cast<qsizetype>(com.value.size())));
    window.attach(runner, traffic);
    traffic.attach(runner);

    const auto show = auxpad::FlashIni(files, iniPath).showTrafficWindow();
    if (!show.fault.empty())
        return startupFault(QString::fromStdString(show.fault));
    if (show.value)
        traffic.show();

    int exitCode = 0;
    QObject::connect(&window, &StationWindow::stopped, &window, [&](const QString& message) {
        runner.close();
        exitCode = 1;
        QMessageBox* box = openBox(&window, message, auxpad::Icon::Critical);
        QObject::connect(box, &QMessageBox::finished, &window, [&] {
            traffic.close();
            window.close();
        });
    });
    window.show();
    const int loop = QApplication::exec();
    runner.close();
    return exitCode != 0 ? exitCode : loop;
}

} // namespace ui
