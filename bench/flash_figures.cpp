// The end-to-end figures of the README's performance table that need the tool's code in
// this process: downloads against the simulated board, paced like a 115200 bit/s cable
// and unpaced beside a minimal POSIX loop; the CPU while an acknowledgement is awaited;
// the peak memory of flashing a small and a large file. Prints markdown table rows;
// tools/perf-figures.sh prints the header and adds the figures of the built tool.
//
//   flash_figures                    every figure
//   flash_figures --peak-rss FILE N  flash FILE over COM N with the real window, print
//                                    the peak resident memory in kB (run by the above)

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/figure_rig.h"
#include "bench/reference_loop.h"
#include "bootload/boot_block.h"
#include "bootload/downloads.h"

namespace {

using namespace figures;

constexpr double kBitsPerSecond = 115200;
constexpr int kPacedCom = 41;
constexpr int kUnpacedCom = 42;
constexpr int kSilentCom = 43;
constexpr int kRounds = 5;

void row(const std::string& figure, const std::string& measured, const std::string& goal, bool met)
{
    const char* verdict = goal.empty() ? "" : met ? "yes" : "**no**";
    std::printf("| %s | %s | %s | %s |\n", figure.c_str(), measured.c_str(), goal.c_str(), verdict);
    std::fflush(stdout);
}

template <typename... Values>
std::string fmt(const char* format, Values... values)
{
    char text[256];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

// Shown cut, not rounded, so that a ratio just under a goal never reads as meeting it.
double cut3(double ratio)
{
    return std::floor(ratio * 1000) / 1000;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// One InitDisk download of `file` with the given window; seconds, or throws when it fails.
double downloadSeconds(platform::MainWindowView& view, std::string* selected, int com, const std::string& file,
                       std::int32_t lines, std::int64_t* wireBytes = nullptr)
{
    selected[0] = file;
    ToolStation tool(view, com);
    tool.st.DISK_LINES = lines;
    const double start = secondsNow();
    auxpad::INIT_DISK(tool.st);
    const double seconds = secondsNow() - start;
    if (!tool.st.FLASH_OK)
        throw std::runtime_error("the download of " + file + " failed");
    if (wireBytes)
        *wireBytes = tool.port.sent + tool.port.received;
    return seconds;
}

void pacedDownload(ShownWindow& window)
{
    const SimBoard board(kPacedCom, {"--baud-pace", "115200"});
    const int lines = 600;
    writeDownloadFile("paced.txt", lines);
    const auto blocks = blocksOfFile("paced.txt");
    PlainView plain;
    struct Kind {
        const char* what;
        platform::MainWindowView& view;
        std::string* selected;
    } kinds[] = {{"real window, DISP1 repainted per block", window, window.selected},
                 {"logic and port only", plain, plain.selected}};
    for (const Kind& k : kinds) {
        std::int64_t bytes = 0;
        std::vector<double> runs;
        for (int r = 0; r < 3; ++r)
            runs.push_back(downloadSeconds(k.view, k.selected, kPacedCom, "paced.txt", lines, &bytes));
        const double seconds = median(runs);
        const double wire = static_cast<double>(bytes) * 10 / kBitsPerSecond;
        const double ratio = wire / seconds;
        const double over = (seconds / wire - 1) * 100;
        row(std::string("Download paced at 115200 bit/s, 600 lines of 32 bytes, median of 3 (") + k.what + ")",
            fmt("%.3f s for %.0f bytes that need %.3f s on the wire: **%.3f** of the wire limit, %.1f %% over", seconds,
                static_cast<double>(bytes), wire, cut3(ratio), over),
            "≥ 0.97, within 5 %", ratio >= 0.97 && over <= 5);
    }
    // What the simulator and the pseudo-terminal leave of the wire limit at best.
    double lineBytes = static_cast<double>(blocks.size()); // one 0x90 each
    for (const Block& b : blocks)
        lineBytes += static_cast<double>(b.size());
    const double floor = lineBytes * 10 / kBitsPerSecond / referenceLoopSeconds(board.devicePath().toStdString(), blocks);
    row("The same blocks from the reference loop below, same paced simulator", fmt("%.3f of the wire limit", cut3(floor)), "",
        true);
}

// The 600-line file again, so that the caption changes with every block as it does on
// a real line; ten downloads of it make one sample.
void unpacedDownload(ShownWindow& window)
{
    const SimBoard board(kUnpacedCom, {});
    const int lines = 600;
    const int downloads = 10;
    writeDownloadFile("unpaced.txt", lines);
    const auto blocks = blocksOfFile("unpaced.txt");
    const auto count = static_cast<double>(blocks.size() * downloads);
    PlainView plain;
    std::vector<double> reference, logic, shown;
    for (int r = 0; r < kRounds; ++r) {
        double referenceSeconds = 0, logicSeconds = 0, shownSeconds = 0;
        for (int d = 0; d < downloads; ++d) {
            referenceSeconds += referenceLoopSeconds(board.devicePath().toStdString(), blocks);
            logicSeconds += downloadSeconds(plain, plain.selected, kUnpacedCom, "unpaced.txt", lines);
            shownSeconds += downloadSeconds(window, window.selected, kUnpacedCom, "unpaced.txt", lines);
        }
        reference.push_back(count / referenceSeconds);
        logic.push_back(count / logicSeconds);
        shown.push_back(count / shownSeconds);
    }
    const double ref = median(reference);
    const char* each = "10 downloads of the 600-line file, median of 5";
    row(fmt("Reference loop against the unpaced simulator (write the block, poll and read until 0x90): %s", each),
        fmt("%.0f blocks/s", ref), "", true);
    row(fmt("Tool against the unpaced simulator, logic and QtSerialPort, no drawing: %s", each),
        fmt("%.0f blocks/s: **%.3f** of the reference", median(logic), cut3(median(logic) / ref)), "≥ 0.8",
        median(logic) / ref >= 0.8);
    row(fmt("Tool against the unpaced simulator, FlashMain off screen with DISP1 repainted per block: %s", each),
        fmt("%.0f blocks/s: **%.3f** of the reference", median(shown), cut3(median(shown) / ref)), "≥ 0.8",
        median(shown) / ref >= 0.8);
}

void ackWaitCpu()
{
    const SimBoard board(kSilentCom, {"--silent"});
    PlainView view;
    ToolStation tool(view, kSilentCom);
    const double cpu = processCpuSeconds();
    const double start = secondsNow();
    const bool acknowledged = auxpad::WAIT_BOOT_ACK(tool.st);
    const double wall = secondsNow() - start;
    const double share = (processCpuSeconds() - cpu) / wall * 100;
    row("CPU while waiting for 0x90 (WAIT_BOOT_ACK against a simulator that never answers)",
        fmt("**%.2f %%** of a core over %.1f s", share, wall), "< 5 %", share < 5 && !acknowledged);
}

long peakRssKb(const QString& self, const std::string& file)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(self, {"--peak-rss", QString::fromStdString(file), QString::number(kUnpacedCom)});
    if (!child.waitForFinished(15 * 60 * 1000) || child.exitCode() != 0)
        throw std::runtime_error("flashing " + file + " failed");
    return child.readAllStandardOutput().trimmed().toLong();
}

void peakMemory(const QString& self)
{
    const SimBoard board(kUnpacedCom, {});
    const std::int64_t mib = 1024 * 1024;
    const std::int64_t small = writeDownloadFile("rss-small.txt", (1 * mib + 96) / 97);
    const std::int64_t large = writeDownloadFile("rss-large.txt", (50 * mib + 96) / 97);
    const long smallKb = peakRssKb(self, "rss-small.txt");
    const long largeKb = peakRssKb(self, "rss-large.txt");
    const double diffMb = static_cast<double>(largeKb - smallKb) / 1024;
    row("Peak memory (max RSS) flashing a 1 MB and a 50 MB InitData file, real window",
        fmt("%.1f MB with the %.1f MB file, %.1f MB with the %.1f MB file: **%+.1f MB**", smallKb / 1024.0,
            static_cast<double>(small) / mib, largeKb / 1024.0, static_cast<double>(large) / mib, diffMb),
        "within 5 MB of each other", diffMb <= 5 && diffMb >= -5);
}

int flashForPeakRss(const std::string& file, int com)
{
    ShownWindow window;
    window.selected[1] = file;
    ToolStation tool(window, com);
    auxpad::FLASH_DSP(tool.st);
    if (!tool.st.FLASH_OK)
        return 2;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%ld\n", usage.ru_maxrss);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    try {
        if (argc == 4 && std::string(argv[1]) == "--peak-rss")
            return flashForPeakRss(argv[2], std::stoi(argv[3]));
        QTemporaryDir dir;
        if (!dir.isValid())
            throw std::runtime_error("no temporary folder");
        qputenv("XDG_CONFIG_HOME", dir.path().toUtf8()); // the simulators' port map, not the user's
        QDir::setCurrent(dir.path());
        ShownWindow window;
        pacedDownload(window);
        unpacedDownload(window);
        ackWaitCpu();
        peakMemory(QCoreApplication::applicationFilePath());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "flash_figures: %s\n", e.what());
        return 1;
    }
    return 0;
}
