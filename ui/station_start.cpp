#include "ui/station_start.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>

#include "base/numbers.h"
#include "board/flash_ini.h"
#include "runner/bench.h"
#include "ui/badge_field.h"
#include "ui/message_box.h"
#include "ui/station_window.h"
#include "ui/traffic_window.h"

namespace auxpad::ui {

namespace {

int startupFault(const QString& message)
{
    QMessageBox box(QMessageBox::Critical, kAppTitle, message, QMessageBox::Ok);
    box.exec();
    return 1;
}

// The port flash.ini names: as the window shows it, and the one the bench opens.
struct StationPort {
    QString shown;
    auxpad::PortName name;
};

auxpad::Expected<StationPort, QString> stationPort(const StationWindow& window, auxpad::DiskFiles& files)
{
    const auto com = auxpad::FlashIni(files, "flash.ini").comPort(QDir::toNativeSeparators(window.folder()).toStdString());
    if (!com)
        return auxpad::unexpected(QString::fromStdString(com.error()));
    const int number = auxpad::roundHalfEven(auxpad::lenientNumber(*com));
    return StationPort{QString::fromLatin1(com->data(), static_cast<qsizetype>(com->size())),
                       {"COM" + std::to_string(number), auxpad::deviceForPort(number, auxpad::configDir())}};
}

// Who runs this station: its name, and the operator the environment signs in.
auxpad::Signature stationSignature(const QString& station)
{
    auxpad::Signature signature;
    signature.station = auxpad::RecordStore::stationName(station);
    signature.operatorId = qEnvironmentVariable("AUXPAD_FLASH_OPERATOR").trimmed();
    return signature;
}

} // namespace

int runStation(const QString& records, const QString& station)
{
    StationWindow window; // its folder list starts at the working directory
    TrafficWindow traffic;
    auxpad::DiskFiles files;
    const std::string startDir = window.folder().toStdString();

    const auto port = stationPort(window, files);
    if (!port)
        return startupFault(port.error());
    // Every later reading of flash.ini is from the start-up folder, wherever the file
    // lists go.
    const std::string iniPath = auxpad::iniPathIn(startDir);
    const QString lineUrl = auxpad::RecordStore::lineUrl(records);
    if (const auto checked = auxpad::RecordStore::checkUrl(lineUrl); !lineUrl.isEmpty() && !checked)
        return startupFault("--db: " + checked.error());
    // Records that cannot be kept are said once; the board is flashed all the same.
    auxpad::Bench bench(files, iniPath);
    const auxpad::Signature signature = stationSignature(station);
    bench.sign(signature);
    // The station window keeps its layout; who is signed in has a small window of its own,
    // which never keeps the program open by itself.
    BadgeField badge(signature.operatorId);
    badge.setWindowTitle(QStringLiteral("Flash AUXPAD operator"));
    badge.setAttribute(Qt::WA_QuitOnClose, false);
    QObject::connect(&badge, &BadgeField::signedIn, &bench, &auxpad::Bench::signIn);
    (void)bench.openRecords(lineUrl);
    if (const auto opened = bench.addPort(port->name); !opened)
        return startupFault(opened.error());
    auxpad::BoardRunner& runner = bench.runner(0);
    window.showPortOpened(port->shown);
    window.attach(runner, traffic);
    traffic.attach(runner);

    const auto show = auxpad::FlashIni(files, iniPath).showTrafficWindow();
    if (!show)
        return startupFault(QString::fromStdString(show.error()));
    if (*show)
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
    badge.show();
    auto warn = [&](const QString& why) {
        openBox(&window, "The jobs of this station are not on record: " + why, auxpad::Icon::Warning);
    };
    if (const auto& problem = bench.recordsProblem())
        warn(*problem);
    QObject::connect(&bench, &auxpad::Bench::recordsFailed, &window, warn);
    const int loop = QApplication::exec();
    // A job the window closed on did not end.
    runner.command([](auxpad::BoardEngine& e, auxpad::Millis now) { e.interrupt(now); });
    bench.close();
    return exitCode != 0 ? exitCode : loop;
}

} // namespace auxpad::ui
