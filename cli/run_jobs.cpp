#include "cli/run_jobs.h"

#include <QCoreApplication>

#include <cstdio>
#include <memory>
#include <unistd.h>

#include "cli/job_output.h"
#include "cli/job_plan.h"
#include "sinks/result_fields.h"
#include "runner/bench.h"
#include "runner/bench_session.h"
#include "runner/pin_entry.h"
#include "runner/serial_questions.h"
#include "runner/stack_light.h"
#include "runner/stop_signals.h"

namespace auxpad::cli {

namespace {

constexpr int kFailed = 1;
constexpr int kCannotStart = 2;
constexpr int kInterrupted = 130;
constexpr int kLastDeliveryMs = 10000;

int cannotStart(const CommandStage& stage, const QStringList& arguments, const std::string& why)
{
    std::fprintf(stage.err, "%s %s: %s\n", QCoreApplication::applicationName().toLocal8Bit().constData(),
                 arguments.value(1).toLocal8Bit().constData(), why.c_str());
    return kCannotStart;
}

} // namespace

namespace {

// A product-information write of a serial that a passed record holds already is refused
// for that board alone (--allow-reuse writes it anyway).
void writeUnlessUsed(auxpad::Bench& bench, auxpad::BoardJob& job, const auxpad::BoardJob::Request& request,
                     const bool& interrupted)
{
    const QString serial = QString::fromStdString(request.values[auxpad::at(auxpad::ProductField::Serial)]);
    bench.recordsThread()->run<auxpad::Expected<bool, QString>>(
        [serial](auxpad::RecordsThread::Stores& stores) { return auxpad::serialPassed(stores, serial); }, &job,
        [&job, &interrupted, request, serial](const auxpad::Expected<bool, QString>& used) {
            if (interrupted)
                return job.refuse(auxpad::JobKind::ProductInfo, "interrupted before it began",
                                  auxpad::JobOutcome::Interrupted);
            if (!used)
                return job.refuse(auxpad::JobKind::ProductInfo,
                                  "nothing was written: the records cannot tell whether the serial number "
                                      + serial.toStdString() + " is on a board already: " + used.error().toStdString());
            if (*used)
                return job.refuse(auxpad::JobKind::ProductInfo,
                                  "nothing was written: the serial number " + serial.toStdString()
                                      + " is on a board that passed already (--allow-reuse writes it anyway)");
            job.start(request);
        });
}

// Starts what the plan asks of board `i`: its slot, its bring-up, or its one job.
void startBoard(const JobPlan& plan, auxpad::Bench& bench, std::size_t i, const bool& interrupted)
{
    if (auxpad::Slot* slot = bench.slot(i))
        return slot->start();
    if (auxpad::BringUp* bringUp = bench.bringUp(i))
        return bringUp->start();
    auxpad::BoardJob& job = bench.job(i);
    auxpad::BoardJob::Request request{plan.job, plan.files, {}};
    if (plan.values.count(job.port().name))
        request.values = plan.values.at(job.port().name);
    if (plan.job != auxpad::JobKind::ProductInfo || plan.allowReuse)
        return job.start(request);
    writeUnlessUsed(bench, job, request, interrupted);
}

// Says each board's news as the bench gives it; a run without slots ends with its last
// board: how many are still running.
std::shared_ptr<std::size_t> follow(auxpad::Bench& bench, JobOutput& output, bool watch, bool& ended)
{
    QObject::connect(&bench, &auxpad::Bench::phaseChanged, &output,
                     [&](std::size_t i) { output.phaseChanged(bench.job(i)); });
    QObject::connect(&bench, &auxpad::Bench::progressed, &output,
                     [&](std::size_t i) { output.progressed(bench.job(i)); });
    QObject::connect(&bench, &auxpad::Bench::told, &output,
                     [&](std::size_t i, const QString& text) { output.told(bench.job(i), text); });
    QObject::connect(&bench, &auxpad::Bench::arrived, &output, [&](std::size_t i) { output.arrived(bench.job(i)); });
    QObject::connect(&bench, &auxpad::Bench::left, &output, [&](std::size_t i) { output.left(bench.job(i)); });
    auto running = std::make_shared<std::size_t>(bench.size());
    QObject::connect(&bench, &auxpad::Bench::finished, &output, [&bench, &output, watch, running, &ended](std::size_t i) {
        output.finished(bench.job(i), bench.status(i), bench.attribution());
        if (watch)
            return; // a slot never ends
        bench.job(i).close();
        if (--*running == 0)
            ended = true;
    });
    return running;
}

// The bench's tower on the line had for it, which says on `err` when it goes.
std::unique_ptr<auxpad::StackLight> towerOf(auxpad::Bench& bench, std::unique_ptr<auxpad::SerialLine> line,
                                            const JobPlan& plan, std::FILE* err)
{
    if (!line)
        return nullptr;
    auto light = std::make_unique<auxpad::StackLight>(bench, std::move(line), plan.stackLight->relays);
    QObject::connect(light.get(), &auxpad::StackLight::gone, [err](const QString& why) {
        std::fprintf(err, "%s: %s\n", QCoreApplication::applicationName().toLocal8Bit().constData(),
                     why.toLocal8Bit().constData());
    });
    return light;
}

// Every port closed, before the summary. The last records and labels get their chance to
// reach the line database and the printer; what does not stays held in the journal for
// the next run, and the summary says how many.
void endRun(auxpad::Bench& bench, JobOutput& output)
{
    bench.close();
    bench.lastDelivery(kLastDeliveryMs);
    bench.lastLabels(kLastDeliveryMs);
    output.summary(bench.lineDb(), bench.held(),
                   bench.printsLabels() ? std::optional<int>(bench.labelsHeld()) : std::nullopt, bench.sinksHeld());
}

// The bench's session as the plan sets it up: the records, the exceptions signed with a
// PIN typed at the terminal, every port; or why the command cannot start. What the bench
// says of its records, its station's name and its serials goes to `err`.
auxpad::Expected<void, std::string> setUp(const JobPlan& plan, auxpad::BenchSession& session, std::FILE* err)
{
    auxpad::Bench& bench = session.bench();
    auto say = [err](const QString& text) {
        std::fprintf(err, "%s: %s\n", QCoreApplication::applicationName().toLocal8Bit().constData(),
                     text.toLocal8Bit().constData());
    };
    // A journal that cannot be opened is the reason the command cannot start, said once.
    for (auto notice : {&auxpad::Bench::stationNameShared, &auxpad::Bench::serialDoubled, &auxpad::Bench::sinkProblem,
                        &auxpad::Bench::labelsNoticed})
        QObject::connect(&bench, notice, say);
    auxpad::SessionPlan planned;
    planned.attribution = plan.attribution;
    planned.recipe = plan.recipe ? &*plan.recipe : nullptr;
    planned.sinks = plan.sinks;
    planned.lineUrl = plan.lineDb;
    for (const std::string& port : plan.ports)
        planned.ports.push_back(bench.surroundings().lines->resolve(port));
    planned.rules = plan.rules;
    planned.watch = plan.watch;
    planned.labels = plan.labels;
    if (plan.recipe)
        planned.access = plan.recipe->access;
    planned.exceptions = plan.exceptions;
    planned.signer = plan.signer;
    planned.pin = auxpad::pinOfSigner();
    if (const auto ready = session.setUp(std::move(planned)); !ready)
        return auxpad::unexpected(ready.error().toStdString());
    QObject::connect(&bench, &auxpad::Bench::recordsFailed, say);
    if (const QString chained = bench.chainedNotice(); !chained.isEmpty())
        say(chained);
    return {};
}

} // namespace

std::unique_ptr<QObject> CommandStage::onSignals(std::function<void()> interrupt)
{
    return auxpad::onStopSignals(std::move(interrupt));
}

int runJobCommand(const QStringList& arguments, const CommandStage& stage)
{
    const auto parsed = parseJobCommand(arguments);
    if (!parsed)
        return parsed.error().status == 0 ? 0 : cannotStart(stage, arguments, parsed.error().why);
    const JobPlan& plan = *parsed;

    auxpad::DiskFiles disk;
    std::optional<auxpad::RecipeFiles> recipeFiles;
    if (plan.recipe)
        recipeFiles.emplace(*plan.recipe, disk);
    auxpad::TextFiles& files = recipeFiles ? static_cast<auxpad::TextFiles&>(*recipeFiles) : disk;
    // The tower is had before the bench, so that one that cannot be stops the run before
    // any board is touched.
    std::unique_ptr<auxpad::SerialLine> towerLine;
    if (plan.stackLight) {
        auto opened = auxpad::StackLight::open(*stage.around.lines, plan.stackLight->port);
        if (!opened)
            return cannotStart(stage, arguments, opened.error().toStdString());
        towerLine = std::move(*opened);
    }
    auxpad::Bench bench(files, plan.iniPath, stage.around);
    auxpad::BenchSession session(bench);
    if (const auto ready = setUp(plan, session, stage.err); !ready)
        return cannotStart(stage, arguments, ready.error());
    const std::unique_ptr<auxpad::StackLight> light = towerOf(bench, std::move(towerLine), plan, stage.err);

    // An interrupt ends the run cleanly, through the clock's events.
    bool interrupted = false;
    bool ended = false;
    const auto interrupts = stage.interrupts([&] {
        interrupted = true;
        if (light)
            light->off(); // the boards the stop interrupts are no failures to show
        bench.stop();
        if (plan.watch)
            ended = true;
    });
    if (!interrupts)
        return cannotStart(stage, arguments, "no socket pair for the signals");

    const auto style = plan.json ? JobOutput::Style::Json
        : ::isatty(::fileno(stage.out)) ? JobOutput::Style::Live
                                        : JobOutput::Style::Lines;
    JobOutput output(style, bench.jobs(), bench.clock(), plan.watch, stage.out, stage.err);
    const auto running = follow(bench, output, plan.watch, ended);
    if (light)
        light->start(); // before the boards, so that one that ends at once is shown
    for (std::size_t i = 0; i < bench.size(); ++i) {
        if (!plan.watch) // an empty slot has started nothing
            output.started(bench.job(i));
        startBoard(plan, bench, i, interrupted);
    }
    if (*running > 0)
        bench.clock().runUntil([&ended] { return ended; });
    if (light)
        light->off();
    endRun(bench, output);

    if (interrupted)
        return kInterrupted;
    return output.allPassed() ? 0 : kFailed;
}

} // namespace auxpad::cli
