// The end-to-end figures of the README's performance table that need the station's code
// in this process: downloads against the simulated board, paced like a 115200 bit/s cable
// and unpaced, beside a minimal POSIX loop on the same simulator; the CPU while an
// acknowledgement is awaited; the peak memory of flashing a small and a large file.
// Prints markdown table rows; tools/perf-figures.sh prints the header and adds the
// figures of the built tool.
//
//   flash_figures                    every figure
//   flash_figures --peak-rss FILE N  flash FILE over COM N with the real window, print
//                                    the peak resident memory in kB (run by the above)

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "benchmarks/figure_rig.h"
#include "benchmarks/reference_loop.h"

namespace {

using namespace figures;

constexpr int kPacedCom = 41;
constexpr int kUnpacedCom = 42;
constexpr int kSilentCom = 43;

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

// The tool and the reference loop in turn on the same simulator, `rounds` times each:
// the medians of their seconds for the file's blocks, and the median of the ratios of
// each pair, which a machine that speeds up or slows down in between leaves alone.
struct Pair {
    double reference;
    double tool;
    double ratio;
};
Pair alternate(ToolRig& tool, const SimBoard& board, const std::string& file, int rounds)
{
    const auto blocks = blocksOfFile(file);
    std::vector<double> reference, station, ratio;
    for (int r = 0; r < rounds; ++r) {
        station.push_back(tool.initDiskSeconds(file));
        tool.runner.close(); // the reference loop takes the line alone
        reference.push_back(referenceLoopSeconds(board.devicePath().toStdString(), blocks));
        ratio.push_back(reference.back() / station.back());
        if (const auto opened = tool.runner.open(); !opened)
            throw std::runtime_error(opened.error().toStdString());
    }
    return {median(reference), median(station), median(ratio)};
}

void pacedDownload()
{
    const SimBoard board(kPacedCom, {"--baud-pace", "115200"});
    writeDownloadFile("paced.txt", 600);
    ToolRig tool(kPacedCom, true);
    const Pair p = alternate(tool, board, "paced.txt", 5);
    const double ratio = p.ratio;
    row("Download paced at 115200 bit/s, 600 lines of 32 bytes, real window shown: the tool against the reference "
        "loop on the same simulator, 5 runs each in turn, the median of their ratios",
        fmt("%.3f s against %.3f s: **%.3f** of the reference", p.tool, p.reference, cut3(ratio)), "≥ 0.985",
        ratio >= 0.985);
}

// The 600-line file, so that the caption changes with every block as on a real line.
void unpacedDownload()
{
    const SimBoard board(kUnpacedCom, {});
    writeDownloadFile("unpaced.txt", 600);
    const double blocks = static_cast<double>(blocksOfFile("unpaced.txt").size());
    for (const bool shown : {false, true}) {
        ToolRig tool(kUnpacedCom, shown);
        const Pair p = alternate(tool, board, "unpaced.txt", 15);
        const double ratio = p.ratio;
        row(fmt("Download against the unpaced simulator, 600 lines, %s: the tool against the reference loop (write "
                "the block, poll and read until 0x90), 15 runs each in turn, the median of their ratios",
                shown ? "real window shown" : "runner and port only, no window"),
            fmt("%.0f against %.0f blocks/s: **%.3f** of the reference", blocks / p.tool, blocks / p.reference,
                cut3(ratio)),
            shown ? "≥ 0.85" : "", ratio >= 0.85);
    }
}

void ackWaitCpu()
{
    const SimBoard board(kSilentCom, {"--boot-no-ack-after", "0"});
    writeDownloadFile("silent.txt", 60);
    ToolRig tool(kSilentCom, false);
    tool.startInitDisk("silent.txt");
    const double cpu = processCpuSeconds();
    const double start = secondsNow();
    QEventLoop wait;
    QTimer::singleShot(4500, &wait, &QEventLoop::quit);
    wait.exec();
    const double wall = secondsNow() - start;
    const double share = (processCpuSeconds() - cpu) / wall * 100;
    row("CPU while the station awaits 0x90 (a simulator that never answers the first block)",
        fmt("**%.2f %%** of a core over %.1f s", share, wall), "< 5 %", share < 5 && tool.runner.engine().downloading());
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
    row("Peak memory (max RSS) flashing a 1 MB and a 50 MB download file, real window shown",
        fmt("%.1f MB with the %.1f MB file, %.1f MB with the %.1f MB file: **%+.1f MB**", smallKb / 1024.0,
            static_cast<double>(small) / mib, largeKb / 1024.0, static_cast<double>(large) / mib, diffMb),
        "within 5 MB of each other", diffMb <= 5 && diffMb >= -5);
}

int flashForPeakRss(const std::string& file, int com)
{
    ToolRig tool(com, true);
    tool.initDiskSeconds(file);
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
        QFile ini("flash.ini");
        if (!ini.open(QIODevice::WriteOnly) || ini.write("Format=\"20\"\r\n") < 0)
            throw std::runtime_error("cannot write flash.ini");
        ini.close();
        pacedDownload();
        unpacedDownload();
        ackWaitCpu();
        peakMemory(QCoreApplication::applicationFilePath());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "flash_figures: %s\n", e.what());
        return 1;
    }
    return 0;
}
