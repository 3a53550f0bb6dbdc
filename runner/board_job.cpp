#include "runner/board_job.h"

#include <cmath>

namespace auxpad {

BoardJob::BoardJob(BoardRunner& runner, RecordKeeper& records, QObject* parent)
    : QObject(parent), runner_(runner), keeper_(records), since_(runner.clock())
{
    connect(&runner_, &BoardRunner::effect, this, &BoardJob::take);
    connect(&records, &RecordKeeper::recorded, this, [this](const JobSummary& job) {
        if (engineStarted_)
            finish(job);
    });
    connect(&runner_, &BoardRunner::lineLost, this, &BoardJob::told);
}

double BoardJob::seconds() const
{
    return running_ ? since_.seconds() : summary_.seconds;
}

void BoardJob::start(const Request& request)
{
    summary_ = {};
    summary_.kind = request.kind;
    running_ = true;
    engineStarted_ = false;
    phase_ = Phase::Idle;
    percent_ = 0;
    since_.restart();
    // A job after a lost line starts on the line found afresh, or fails saying why not.
    if (const auto reopened = runner_.reopen(); !reopened) {
        JobSummary failed = summary_;
        failed.outcome = JobOutcome::Failed;
        failed.message = reopened.error().toStdString();
        emit told(reopened.error());
        finish(std::move(failed));
        return;
    }
    runner_.command([&](BoardEngine& e, Millis now) {
        switch (request.kind) {
        case JobKind::Flash:
            e.startFlashJob(request.files, now, request.pause);
            break;
        case JobKind::ProductInfo:
            e.startProductJob(request.values, now, request.readBack);
            break;
        case JobKind::SelfTest:
            e.startSelfTestJob(now);
            break;
        }
    });
}

void BoardJob::interrupt()
{
    if (!running_)
        return;
    runner_.command([](BoardEngine& e, Millis now) { e.interrupt(now); });
    runner_.close();
    if (running_) { // the engine had not taken the job on
        JobSummary interrupted = summary_;
        interrupted.outcome = JobOutcome::Interrupted;
        finish(std::move(interrupted));
    }
}

void BoardJob::release()
{
    runner_.command([](BoardEngine& e, Millis now) { e.release(now); });
}

void BoardJob::stop(std::string why)
{
    runner_.command([&](BoardEngine& e, Millis now) { e.interrupt(now, why); });
}

void BoardJob::refuse(JobKind kind, std::string why, JobOutcome outcome)
{
    JobSummary refused;
    refused.kind = kind;
    refused.outcome = outcome;
    refused.message = std::move(why);
    running_ = true;
    emit told(QString::fromStdString(refused.message));
    finish(std::move(refused));
}

void BoardJob::take(const Effect& effect)
{
    if (const auto* caption = std::get_if<CaptionShown>(&effect)) {
        if (caption->kind == CaptionKind::News && running_)
            emit told(QString::fromStdString(caption->text));
    } else if (const auto* bar = std::get_if<ProgressShown>(&effect)) {
        if (running_ && bar->visible && std::lround(bar->value) != std::lround(percent_)) {
            percent_ = bar->value;
            emit progressed();
        }
    } else if (const auto* box = std::get_if<BoxShown>(&effect)) {
        if (running_)
            emit told(QString::fromStdString(box->text));
        runner_.boxClosed();
    } else if (const auto* fault = std::get_if<StationFault>(&effect)) {
        emit told(QString::fromStdString(fault->message));
    } else if (const auto* phase = std::get_if<PhaseShown>(&effect)) {
        if (running_ && phase->phase != phase_) {
            phase_ = phase->phase;
            percent_ = 0;
            emit phaseChanged();
        }
    } else if (const auto* heardOf = std::get_if<BoardHeard>(&effect)) {
        emit heard(heardOf->kind);
    } else if (const auto* hold = std::get_if<JobPaused>(&effect); hold && running_) {
        emit paused(hold->summary);
    } else if (std::holds_alternative<JobStarted>(effect)) {
        engineStarted_ = true;
    } else if (const auto* refused = std::get_if<JobRefused>(&effect); refused && !engineStarted_) {
        finish(refused->summary);
    }
}

void BoardJob::finish(JobSummary summary)
{
    if (!running_)
        return;
    summary_ = std::move(summary);
    running_ = false;
    phase_ = Phase::Idle;
    emit finished();
}

} // namespace auxpad

#include "moc_board_job.cpp"
