#include "ui/station_start.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>

#include <utility>

#include "base/numbers.h"
#include "board/flash_ini.h"
#include "runner/board_runner.h"
#include "runner/record_keeper.h"
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

int runStation(const QString& records)
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
    const QString recordsUrl = auxpad::RecordStore::chooseUrl(records);
    if (const QString why = auxpad::RecordStore::checkUrl(recordsUrl); !why.isEmpty())
        return startupFault("--db: " + why);
    auxpad::BoardRunner runner(port, files, iniPath);
    if (const QString why = runner.open(); !why.isEmpty())
        return startupFault(why);
    // A store that cannot keep the records is said once; the board is flashed all the same.
    auxpad::RecordStore store;
    const QString storeProblem = store.open(recordsUrl);
    if (storeProblem.isEmpty())
        store.closeLeftovers();
    auxpad::RecordKeeper keeper(runner, storeProblem.isEmpty() ? &store : nullptr);
    bool warned = false;
    auto warn = [&](const QString& why) {
        if (!std::exchange(warned, true))
            openBox(&window, "The jobs of this station are not on record: " + why, auxpad::Icon::Warning);
    };
    QObject::connect(&keeper, &auxpad::RecordKeeper::failed, &window, warn);
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
    if (!storeProblem.isEmpty())
        warn(storeProblem);
    const int loop = QApplication::exec();
    keeper.interrupt(); // a job the window closed on did not end
    runner.close();
    return exitCode != 0 ? exitCode : loop;
}

} // namespace ui
