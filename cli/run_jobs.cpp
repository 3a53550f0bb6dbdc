#include "cli/run_jobs.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

#include "cli/job_output.h"
#include "cli/job_plan.h"
#include "runner/bench.h"
#include "runner/bring_up.h"
#include "runner/slot.h"

namespace cli {

namespace {

constexpr int kFailed = 1;
constexpr int kCannotStart = 2;
constexpr int kInterrupted = 130;
constexpr int kLastDeliveryMs = 10000;

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(signalPipe[1], &byte, 1);
}

int cannotStart(const QStringList& arguments, const std::string& why)
{
    std::fprintf(stderr, "%s %s: %s\n", QCoreApplication::applicationName().toLocal8Bit().constData(),
                 arguments.value(1).toLocal8Bit().constData(), why.c_str());
    return kCannotStart;
}

} // namespace

int runJobCommand(const QStringList& arguments)
{
    const auto parsed = parseJobCommand(arguments);
    if (!parsed)
        return parsed.error().status == 0 ? 0 : cannotStart(arguments, parsed.error().why);
    const JobPlan& plan = *parsed;

    // Without the station's journal no board could be put on record, and none is started.
    // A line database that does not answer stops nothing: its records wait in the journal.
    auxpad::DiskFiles disk;
    std::optional<auxpad::RecipeFiles> recipeFiles;
    if (plan.recipe)
        recipeFiles.emplace(*plan.recipe, disk);
    auxpad::TextFiles& files = recipeFiles ? static_cast<auxpad::TextFiles&>(*recipeFiles) : disk;
    auxpad::Bench bench(files, plan.iniPath);
    if (const auto opened = bench.openRecords(plan.lineDb); !opened)
        return cannotStart(arguments, opened.error().toStdString());
    QObject::connect(&bench, &auxpad::Bench::recordsFailed, [](const QString& why) {
        std::fprintf(stderr, "%s: %s\n", QCoreApplication::applicationName().toLocal8Bit().constData(),
                     why.toLocal8Bit().constData());
    });
    // Every port is opened before a byte goes to any board: one that cannot be had stops
    // them all.
    for (const std::string& port : plan.ports) {
        if (const auto opened = bench.addPort(auxpad::resolvePort(port)); !opened)
            return cannotStart(arguments, opened.error().toStdString());
    }
    std::vector<std::unique_ptr<auxpad::BoardJob>> owned;
    std::vector<std::unique_ptr<auxpad::BringUp>> bringUps;
    std::vector<auxpad::BoardJob*> jobs;
    for (std::size_t i = 0; i < bench.size(); ++i) {
        owned.push_back(std::make_unique<auxpad::BoardJob>(bench.runner(i), bench.keeper(i)));
        jobs.push_back(owned.back().get());
        if (plan.recipe)
            bringUps.push_back(
                std::make_unique<auxpad::BringUp>(*jobs.back(), bench.keeper(i), bench, *plan.recipe, plan.rules));
    }

    // SIGINT and SIGTERM end the run cleanly, through the event loop.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return cannotStart(arguments, "no socket pair for the signals");
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    bool interrupted = false;
    std::vector<std::unique_ptr<auxpad::Slot>> watchers;
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, [&] {
        char byte;
        [[maybe_unused]] const auto n = ::read(signalPipe[0], &byte, 1);
        interrupted = true;
        for (const auto& slot : watchers)
            slot->stop();
        for (const auto& bringUp : bringUps)
            bringUp->interrupt();
        for (auxpad::BoardJob* job : jobs)
            job->interrupt();
        if (plan.watch)
            QCoreApplication::exit(0);
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);

    const auto style = plan.json ? JobOutput::Style::Json
        : ::isatty(STDOUT_FILENO)  ? JobOutput::Style::Live
                                   : JobOutput::Style::Lines;
    JobOutput output(style, jobs, plan.watch);
    std::size_t running = jobs.size();
    auto boardDone = [&](auxpad::BoardJob* job, const BoardResult& result) {
        output.finished(*job, result);
        job->close();
        if (--running == 0)
            QCoreApplication::exit(0);
    };
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        auxpad::BoardJob* job = jobs[i];
        QObject::connect(job, &auxpad::BoardJob::phaseChanged, &output, [&, job] { output.phaseChanged(*job); });
        QObject::connect(job, &auxpad::BoardJob::progressed, &output, [&, job] { output.progressed(*job); });
        QObject::connect(job, &auxpad::BoardJob::told, &output,
                         [&, job](const QString& text) { output.told(*job, text); });
        if (plan.watch) {
            // A slot says when a board comes and goes, and each board's result; it never ends.
            watchers.push_back(std::make_unique<auxpad::Slot>(bench.runner(i), *job, *bringUps[i]));
            auxpad::Slot* slot = watchers.back().get();
            QObject::connect(slot, &auxpad::Slot::arrived, &output, [&, job] { output.arrived(*job); });
            QObject::connect(slot, &auxpad::Slot::left, &output, [&, job] { output.left(*job); });
            QObject::connect(slot, &auxpad::Slot::finished, &output,
                             [&, job, slot] { output.finished(*job, BoardResult::of(slot->bringUp())); });
        } else if (plan.recipe) {
            auxpad::BringUp* bringUp = bringUps[i].get();
            QObject::connect(bringUp, &auxpad::BringUp::finished, &output,
                             [&, job, bringUp] { boardDone(job, BoardResult::of(*bringUp)); });
        } else {
            QObject::connect(job, &auxpad::BoardJob::finished, &output,
                             [&, job] { boardDone(job, BoardResult::of(job->summary())); });
        }
    }
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        auxpad::BoardJob* job = jobs[i];
        output.started(*job);
        if (plan.watch) {
            watchers[i]->start();
            continue;
        }
        if (plan.recipe) {
            bringUps[i]->start();
            continue;
        }
        auxpad::BoardJob::Request request{plan.job, plan.files, {}};
        if (plan.values.count(job->port().name))
            request.values = plan.values.at(job->port().name);
        if (plan.job != auxpad::JobKind::ProductInfo || plan.allowReuse) {
            job->start(request);
            continue;
        }
        // A serial that a passed record holds already is not written again.
        const QString serial = QString::fromStdString(request.values[auxpad::at(auxpad::ProductField::Serial)]);
        bench.recordsThread()->run<auxpad::Expected<bool, QString>>(
            [serial](auxpad::RecordsThread::Stores& stores) { return auxpad::serialPassed(stores, serial); }, job,
            [&, job, request, serial](const auxpad::Expected<bool, QString>& held) {
                if (interrupted)
                    return job->refuse(auxpad::JobKind::ProductInfo, "interrupted before it began", auxpad::JobOutcome::Interrupted);
                if (!held)
                    return job->refuse(auxpad::JobKind::ProductInfo,
                                       "nothing was written: the records cannot tell whether the serial number "
                                           + serial.toStdString() + " is on a board already: " + held.error().toStdString());
                if (*held)
                    return job->refuse(auxpad::JobKind::ProductInfo,
                                       "nothing was written: the serial number " + serial.toStdString()
                                           + " is on a board that passed already (--allow-reuse writes it anyway)");
                job->start(request);
            });
    }
    if (running > 0)
        QCoreApplication::exec();
    bench.close(); // every port, before the summary
    // The last records get their chance to reach the line database; what does not stays
    // held in the journal for the next run, and the summary says how many.
    bench.lastDelivery(kLastDeliveryMs);
    output.summary(bench.lineDb(), bench.held());

    if (interrupted)
        return kInterrupted;
    return output.allPassed() ? 0 : kFailed;
}

} // namespace cli
