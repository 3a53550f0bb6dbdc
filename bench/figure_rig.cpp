#include "bench/figure_rig.h"

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <stdexcept>

namespace figures {

std::vector<std::uint8_t> CountingPort::readAll()
{
    auto bytes = real.readAll();
    received += static_cast<std::int64_t>(bytes.size());
    return bytes;
}

void CountingPort::write(const std::uint8_t* bytes, std::size_t count)
{
    sent += static_cast<std::int64_t>(count);
    real.write(bytes, count);
}

ShownWindow::ShownWindow()
{
    window.timer1()->stop(); // no station is attached to take its ticks
    window.show();
}

ToolStation::ToolStation(platform::MainWindowView& view, int com)
    : st({port, clock, files, view, msg, dialogs})
{
    msg.visible = false;
    port.setPortNumber(com);
    port.open();
}

ToolStation::~ToolStation()
{
    port.close();
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
