#include "tests/support/sim_bench.h"

#include <QDir>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include "cli/run_jobs.h"
#include "shell/sim_options.h"

SimBench::SimBench(const QString& dir) : dir_(dir)
{
    QDir(dir).mkpath("station");
    QDir(dir).mkpath("config");
    wasCurrent_ = QDir::currentPath();
    wasData_ = qgetenv("XDG_DATA_HOME");
    wasConfig_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_DATA_HOME", QDir(dir).filePath("data").toUtf8());
    qputenv("XDG_CONFIG_HOME", QDir(dir).filePath("config").toUtf8());
    QDir::setCurrent(QDir(dir).filePath("station"));
}

SimBench::~SimBench()
{
    QDir::setCurrent(wasCurrent_);
    qputenv("XDG_DATA_HOME", wasData_);
    qputenv("XDG_CONFIG_HOME", wasConfig_);
}

auxpad::shift::SimAdapter& SimBench::adapter(int com)
{
    const std::string name = "COM" + std::to_string(com);
    if (auto* known = lines.adapter("/dev/sim/" + name))
        return *known;
    auto& made = lines.add(name, "/dev/sim/" + name);
    // A board that hangs up takes its line with it, as auxpad-sim's process ends.
    QObject::connect(&made, &auxpad::shift::SimAdapter::hungUp, &made, [&made] { made.leave("hung up"); });
    return made;
}

void SimBench::board(int com, const QStringList& options)
{
    const auto parsed = auxsim::parseOptions(QStringList{"auxpad-sim", "--seed", QString::number(com)} + options);
    if (!parsed)
        throw std::invalid_argument("not an option of auxpad-sim");
    auto& line = adapter(com);
    if (!line.present())
        line.back(line.device());
    line.plug(parsed->engine);
}

void SimBench::at(qint64 ms, std::function<void()> call)
{
    auto timer = clock.timer();
    QObject::connect(timer.get(), &auxpad::Timer::timeout, timer.get(), std::move(call));
    timer->start(ms);
    timers_.push_back(std::move(timer));
}

void SimBench::lineAway(qint64 fromMs, qint64 forMs)
{
    away_.push_back({clock.elapsed() + fromMs, clock.elapsed() + fromMs + forMs});
}

QByteArray SimBench::outSoFar() const
{
    return running_.empty() ? QByteArray()
                            : QByteArray(running_.front()->out, static_cast<qsizetype>(running_.front()->outSize));
}

void SimBench::lineBack()
{
    for (auto& [from, until] : away_)
        until = std::min(until, clock.elapsed());
}

SimBench::Ran SimBench::run(const QStringList& arguments, std::optional<qint64> interruptAfterMs, const QString& dataHome)
{
    Running me{++process_};
    running_.push_back(&me);
    auxpad::cli::CommandStage stage;
    stage.around.clock = &clock;
    stage.around.lines = &lines;
    stage.around.offload = auxpad::Offload::OnClock;
    stage.around.printer = printer.linkFor(0);
    stage.around.process = me.process;
    // Only the commands running now are alive: an earlier one's leftovers are a dead process's.
    stage.around.processAlive = [this](qint64 pid) {
        return std::any_of(running_.begin(), running_.end(), [pid](const Running* r) { return r->process == pid; });
    };
    stage.around.lineAway = [this]() -> QString {
        for (const auto& [from, until] : away_)
            if (clock.elapsed() >= from && clock.elapsed() < until)
                return "the line's database is away";
        return {};
    };
    char* errText = nullptr;
    std::size_t errSize = 0;
    // A terminal's other side is read all along, or the command's writes would block once
    // its buffer is full.
    std::thread terminalReader;
    if (onTerminal) {
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
            throw std::runtime_error("no pseudo-terminal");
        stage.out = std::fopen(::ptsname(master), "w");
        termios raw{}; // the bytes as the command wrote them, no newline made a carriage return too
        ::tcgetattr(::fileno(stage.out), &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(::fileno(stage.out), TCSANOW, &raw);
        terminalReader = std::thread([master, &me] {
            std::FILE* kept = open_memstream(&me.out, &me.outSize);
            char chunk[4096];
            for (ssize_t n; (n = ::read(master, chunk, sizeof chunk)) > 0;) // an error once the terminal is closed
                std::fwrite(chunk, 1, static_cast<std::size_t>(n), kept);
            std::fclose(kept);
            ::close(master);
        });
    } else
        stage.out = open_memstream(&me.out, &me.outSize);
    stage.err = open_memstream(&errText, &errSize);
    stage.interrupts = [this, interruptAfterMs](std::function<void()> interrupt) -> std::unique_ptr<QObject> {
        auto timer = clock.timer();
        if (interruptAfterMs) {
            QObject::connect(timer.get(), &auxpad::Timer::timeout, timer.get(), std::move(interrupt));
            timer->start(*interruptAfterMs);
        }
        return timer;
    };
    const QByteArray data = qgetenv("XDG_DATA_HOME");
    if (!dataHome.isEmpty())
        qputenv("XDG_DATA_HOME", dataHome.toUtf8());
    Ran ran;
    ran.status = auxpad::cli::runJobCommand(QStringList{"auxpad-flash"} + arguments, stage);
    qputenv("XDG_DATA_HOME", data);
    std::fclose(stage.out);
    if (terminalReader.joinable())
        terminalReader.join();
    std::fclose(stage.err);
    ran.out = QByteArray(me.out, static_cast<qsizetype>(me.outSize));
    ran.err = QString::fromUtf8(errText, static_cast<qsizetype>(errSize));
    std::free(me.out);
    std::free(errText);
    running_.erase(std::find(running_.begin(), running_.end(), &me));
    return ran;
}
