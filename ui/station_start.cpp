#include "ui/station_start.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>

#include <cstdio>
#include <memory>

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

// Who runs this station: its name, and the operator the command line or the environment
// signs in.
auxpad::Attribution stationAttribution(const StationOptions& options)
{
    auxpad::Attribution attribution;
    attribution.station = auxpad::StoreUrls::stationName(options.station);
    attribution.operatorId = (options.operatorId.isEmpty() ? qEnvironmentVariable("AUXPAD_FLASH_OPERATOR")
                                                         : options.operatorId).trimmed();
    return attribution;
}

// The small window that signs an operator in by badge, for a station that asked for it.
// It never keeps the program open by itself. It takes the focus so that the first scan
// signs in, and gives it back to the main window once one has.
// What the records tell the operator: in a box, or where the window has no place for it,
// on standard error.
void showRecordNews(auxpad::Bench& bench, StationWindow& window)
{
    auto warn = [&window](const QString& why) {
        openBox(&window, "The jobs of this station are not on record: " + why, auxpad::Icon::Warning);
    };
    if (const auto& problem = bench.recordsProblem())
        warn(*problem);
    QObject::connect(&bench, &auxpad::Bench::recordsFailed, &window, warn);
    QObject::connect(&bench, &auxpad::Bench::serialDoubled, &window,
                     [&window](const QString& text) { openBox(&window, text, auxpad::Icon::Warning); });
    // The station window has no status line of its own to say it in.
    QObject::connect(&bench, &auxpad::Bench::stationNameShared, &window, [](const QString& warning) {
        std::fprintf(stderr, "auxpad-flash: %s\n", warning.toLocal8Bit().constData());
    });
}

std::unique_ptr<BadgeField> badgeWindow(auxpad::Bench& bench, StationWindow& window)
{
    auto badge = std::make_unique<BadgeField>(bench.attribution().operatorId);
    badge->setObjectName(QStringLiteral("operator_window"));
    badge->setWindowTitle(QStringLiteral("Flash AUXPAD operator"));
    badge->setAttribute(Qt::WA_QuitOnClose, false);
    QObject::connect(badge.get(), &BadgeField::signedIn, &bench, &auxpad::Bench::signIn);
    QObject::connect(badge.get(), &BadgeField::signedIn, &window, [&window] { window.activateWindow(); });
    return badge;
}

} // namespace

int runStation(const StationOptions& options)
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
    const QString lineUrl = auxpad::StoreUrls::lineUrl(options.records);
    if (const auto checked = auxpad::StoreUrls::checkUrl(lineUrl); !lineUrl.isEmpty() && !checked)
        return startupFault("--db: " + checked.error());
    // Records that cannot be kept are said once; the board is flashed all the same.
    auxpad::Bench bench(files, iniPath);
    bench.attribute(stationAttribution(options));
    // The results go to flash.ini's sinks too; one set up wrong starts nothing.
    auto sinks = auxpad::readIniSinks(QString::fromStdString(iniPath), bench.attribution().station);
    if (!sinks)
        return startupFault(sinks.error());
    bench.sendResultsTo(std::move(*sinks));
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
    // The station window opens its main window and, when flash.ini says so, the traffic
    // window: nothing else unless an operator's badge is asked for.
    const auto badge = options.badge ? badgeWindow(bench, window) : nullptr;
    if (badge)
        badge->show();
    showRecordNews(bench, window);
    const int loop = QApplication::exec();
    // A job the window closed on did not end.
    runner.command([](auxpad::BoardEngine& e, auxpad::Millis now) { e.interrupt(now); });
    bench.close();
    return exitCode != 0 ? exitCode : loop;
}

} // namespace auxpad::ui
