#include "tests/support/sim_bench.h"

#include <QDir>

#include <cstdio>
#include <stdexcept>
#include <utility>

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

SimBench::Ran SimBench::run(const QStringList& arguments, std::optional<qint64> interruptAfterMs)
{
    auxpad::cli::CommandStage stage;
    stage.around.clock = &clock;
    stage.around.lines = &lines;
    stage.around.offload = auxpad::Offload::OnClock;
    stage.around.printer = printer.linkFor(0);
    stage.around.process = ++process_;
    // Only the command running now is alive: an earlier one's leftovers are a dead process's.
    stage.around.processAlive = [running = process_](qint64 pid) { return pid == running; };
    stage.around.lineAway = [this]() -> QString {
        for (const auto& [from, until] : away_)
            if (clock.elapsed() >= from && clock.elapsed() < until)
                return "the line's database is away";
        return {};
    };
    char* errText = nullptr;
    std::size_t errSize = 0;
    stage.out = open_memstream(&outText_, &outSize_);
    stage.err = open_memstream(&errText, &errSize);
    stage.interrupts = [this, interruptAfterMs](std::function<void()> interrupt) -> std::unique_ptr<QObject> {
        auto timer = clock.timer();
        if (interruptAfterMs) {
            QObject::connect(timer.get(), &auxpad::Timer::timeout, timer.get(), std::move(interrupt));
            timer->start(*interruptAfterMs);
        }
        return timer;
    };
    Ran ran;
    ran.status = auxpad::cli::runJobCommand(QStringList{"auxpad-flash"} + arguments, stage);
    std::fclose(stage.out);
    std::fclose(stage.err);
    ran.out = outSoFar();
    ran.err = QString::fromUtf8(errText, static_cast<qsizetype>(errSize));
    std::free(std::exchange(outText_, nullptr));
    outSize_ = 0;
    std::free(errText);
    return ran;
}
