#include "benchmarks/figure_rig.h"

#include <QCoreApplication>

#include <cstdio>
#include <ctime>
#include <stdexcept>

namespace figures {

ToolRig::ToolRig(int com, bool withWindow)
    : runner(auxpad::resolvePort("COM" + std::to_string(com)), files, "flash.ini")
{
    if (const auto opened = runner.open(); !opened)
        throw std::runtime_error(opened.error().toStdString());
    if (withWindow) {
        window = std::make_unique<auxpad::ui::StationWindow>();
        window->attach(runner, traffic);
        window->show();
    }
    QObject::connect(&runner, &auxpad::BoardRunner::effect, &runner, [this](const auxpad::Effect& effect) {
        if (const auto* caption = std::get_if<auxpad::CaptionShown>(&effect)) {
            if (firstCaption_ == 0 && caption->text.starts_with("Downloading"))
                firstCaption_ = secondsNow();
            if (caption->text.ends_with("\nEnd"))
                end_ = secondsNow();
            if (caption->text.ends_with("\nError!"))
                failed_ = true;
        }
        if (std::holds_alternative<auxpad::BoxShown>(effect))
            runner.boxClosed();
    });
}

ToolRig::~ToolRig()
{
    runner.close();
}

void ToolRig::startInitDisk(const std::string& file)
{
    firstCaption_ = end_ = 0;
    failed_ = false;
    runner.command([&](auxpad::BoardEngine& e, auxpad::Millis now) { e.startFlashJob({file, file}, now); });
    const double deadline = secondsNow() + 10;
    while (!runner.engine().downloading()) {
        if (secondsNow() > deadline)
            throw std::runtime_error("the flash job did not reach its InitDisk download: " + runner.engine().caption());
        // The board answers within milliseconds; then the next tick takes the next step.
        for (const double until = secondsNow() + 0.03; secondsNow() < until;)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        runner.command([](auxpad::BoardEngine& e, auxpad::Millis now) { e.tick(now); });
    }
}

double ToolRig::initDiskSeconds(const std::string& file)
{
    startInitDisk(file);
    while (runner.engine().downloading())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (failed_ || end_ == 0)
        throw std::runtime_error("the download of " + file + " failed");
    return end_ - firstCaption_;
}

std::int64_t writeDownloadFile(const std::string& path, std::int64_t lines)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        throw std::runtime_error("cannot write " + path);
    std::int64_t size = 0;
    for (std::int64_t l = 0; l < lines; ++l) {
        char line[128];
        int n = 0;
        for (int i = 0; i < 32; ++i)
            n += std::snprintf(line + n, sizeof line - static_cast<std::size_t>(n), i ? " %02X" : "%02X",
                               static_cast<unsigned>((l * 31 + i * 7) & 0xFF));
        n += std::snprintf(line + n, sizeof line - static_cast<std::size_t>(n), "\r\n");
        std::fwrite(line, 1, static_cast<std::size_t>(n), f);
        size += n;
    }
    std::fclose(f);
    return size;
}

double secondsNow()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

} // namespace figures
