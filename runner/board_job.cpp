#include "runner/board_job.h"

#include <cmath>

namespace auxpad {

std::string JobReport::failure() const
{
    if (result == Result::Passed)
        return {};
    return message.empty() ? caption : message;
}

const char* resultName(JobReport::Result result)
{
    switch (result) {
    case JobReport::Result::Passed:
        return "passed";
    case JobReport::Result::Failed:
        return "failed";
    case JobReport::Result::Interrupted:
        return "interrupted";
    case JobReport::Result::Running:
        break;
    }
    return "running";
}

const char* jobName(JobKind kind)
{
    switch (kind) {
    case JobKind::ProductInfo:
        return "prodinfo";
    case JobKind::SelfTest:
        return "selftest";
    case JobKind::Flash:
        break;
    }
    return "flash";
}

BoardJob::BoardJob(PortName port, TextFiles& files, std::string iniPath, RecordStore* store, QObject* parent)
    : QObject(parent), runner_(port, files, std::move(iniPath)), records_(runner_, store)
{
    report_.port = std::move(port);
    connect(&runner_, &BoardRunner::effect, this, &BoardJob::take);
    connect(&runner_, &BoardRunner::settled, this, &BoardJob::followPhase);
    connect(&runner_, &BoardRunner::lineLost, this, [this](const QString& why) {
        report_.message = why.toStdString();
        emit told(why);
        finish(JobReport::Result::Failed);
    });
}

double BoardJob::seconds() const
{
    return started_ ? static_cast<double>(clock_.elapsed()) / 1000 : 0;
}

void BoardJob::start(const Request& request)
{
    PortName port = std::move(report_.port);
    report_ = {};
    report_.port = std::move(port);
    report_.kind = request.kind;
    started_ = true;
    engineStarted_ = false;
    phase_ = Phase::Idle;
    percent_ = 0;
    clock_.start();
    // A job after a lost line starts on the line found afresh, or fails saying why not.
    if (const QString why = runner_.reopen(); !why.isEmpty()) {
        report_.message = why.toStdString();
        emit told(why);
        finish(JobReport::Result::Failed);
        return;
    }
    runner_.command([&](StationEngine& e, Millis now) {
        switch (request.kind) {
        case JobKind::Flash:
            e.startFlashJob(request.files, now);
            break;
        case JobKind::ProductInfo:
            e.startProductJob(request.values, now);
            break;
        case JobKind::SelfTest:
            e.startSelfTestJob(now);
            break;
        }
    });
    // A job refused at its start (the files it was given) has failed there and then.
    if (!engineStarted_)
        finish(JobReport::Result::Failed);
}

void BoardJob::interrupt()
{
    if (!running())
        return;
    records_.interrupt();
    runner_.close();
    finish(JobReport::Result::Interrupted);
}

void BoardJob::take(const Effect& effect)
{
    if (const auto* caption = std::get_if<CaptionShown>(&effect)) {
        report_.caption = caption->text;
        emit told(QString::fromStdString(caption->text));
    } else if (const auto* bar = std::get_if<ProgressShown>(&effect)) {
        followPhase(); // a new phase's bar belongs to that phase
        if (bar->visible && std::lround(bar->value) != std::lround(percent_)) {
            percent_ = bar->value;
            emit progressed();
        }
    } else if (const auto* box = std::get_if<BoxShown>(&effect)) {
        report_.message = box->text;
        emit told(QString::fromStdString(box->text));
        runner_.boxClosed();
    } else if (const auto* fault = std::get_if<StationFault>(&effect)) {
        report_.message = fault->message;
        emit told(QString::fromStdString(fault->message));
    } else if (std::holds_alternative<JobStarted>(effect)) {
        engineStarted_ = true;
    } else if (const auto* ended = std::get_if<JobEnded>(&effect)) {
        finish(ended->outcome == JobOutcome::Passed ? JobReport::Result::Passed : JobReport::Result::Failed);
    }
}

void BoardJob::followPhase()
{
    if (const Phase now = runner_.engine().phase(); now != phase_ && running()) {
        phase_ = now;
        percent_ = 0;
        emit phaseChanged();
    }
}

void BoardJob::finish(JobReport::Result result)
{
    if (!running())
        return;
    report_.result = result;
    report_.seconds = seconds();
    report_.info = runner_.engine().productBoxes();
    report_.defaultsUsed = runner_.engine().defaultsUsed();
    // What the boxes hold is the board's only once it has been read or written.
    const bool known = report_.kind == JobKind::ProductInfo || report_.defaultsUsed || runner_.engine().boardInfoRead();
    report_.serial = known ? report_.info[3] : std::string();
    phase_ = Phase::Idle;
    emit finished();
}

} // namespace auxpad
