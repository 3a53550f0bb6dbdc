#include "runner/board_status.h"

#include "runner/board_job.h"
#include "runner/bring_up.h"
#include "runner/record_keeper.h"

namespace auxpad {

LabelShown labelShownOf(const std::string& state)
{
    if (state == "printed")
        return LabelShown::Printed;
    if (state == "held")
        return LabelShown::Held;
    return state == "failed" ? LabelShown::Failed : LabelShown::None;
}

std::string BoardStatus::failure() const
{
    if (passed())
        return {};
    return message.empty() ? caption : message;
}

namespace {

BoardStatus named(const BoardJob& job)
{
    BoardStatus s;
    s.port = job.port().name;
    s.device = job.port().device;
    return s;
}

} // namespace

BoardStatus BoardStatus::ended(const BoardJob& job, const BringUp* bringUp)
{
    BoardStatus s = named(job);
    s.state = State::Ended;
    if (bringUp) {
        const BringUpResult& r = bringUp->result();
        s.verdict = r.verdict();
        s.word = r.word();
        s.job = words::kRun;
        s.caption = r.last.caption;
        s.message = r.message;
        s.note = r.message.empty() ? r.last.failure() : r.message;
        s.serial = r.serial;
        s.defaults = r.last.fieldsFrom == FieldSource::Defaults;
        s.seconds = r.seconds;
        s.attempt = s.tries = r.tries;
        s.serialSource = serialSourceName(r.serialSource);
        s.recipe = bringUp->recipe().name.toStdString();
        s.step = stepName(r.step);
        s.cause = causeName(r.cause);
        s.brief = failureInBrief(r.step, r.cause, r.last.differs);
    } else {
        const JobSummary& r = job.summary();
        s.verdict = verdictOf(r.outcome);
        s.word = outcomeName(r.outcome);
        s.job = jobName(r.kind);
        s.caption = r.caption;
        s.message = r.message;
        s.note = r.failure();
        s.serial = r.serial;
        s.defaults = r.fieldsFrom == FieldSource::Defaults;
        s.seconds = r.seconds;
        s.step = stepName(r.step);
        s.cause = r.passed() ? "" : causeName(r.cause);
        s.brief = r.passed() ? "" : failureInBrief(r.step, r.cause, r.differs);
    }
    s.phase = s.word;
    s.percent = s.passed() ? 100 : job.percent();
    return s;
}

BoardResult BoardStatus::result(const Attribution& attribution) const
{
    BoardResult r;
    r.port = QString::fromStdString(port);
    r.device = QString::fromStdString(device);
    r.job = QString::fromStdString(job);
    r.result = QString::fromStdString(word);
    r.caption = QString::fromStdString(caption);
    r.message = QString::fromStdString(message);
    r.serial = QString::fromStdString(serial);
    r.step = QString::fromStdString(step);
    r.cause = QString::fromStdString(cause);
    r.defaults = defaults;
    r.seconds = seconds;
    r.serialSource = QString::fromStdString(serialSource);
    r.recipe = QString::fromStdString(recipe);
    r.tries = tries;
    r.operatorId = attribution.operatorId;
    r.order = attribution.order;
    r.station = attribution.station;
    return r;
}

void BoardStatus::follow(const BoardJob& job, const BringUp* bringUp)
{
    // In place: a bench of 32 boards says progress many times a second, for a whole shift.
    if (state != State::Running) {
        BoardStatus fresh = named(job); // what an earlier end said goes with it
        *this = std::move(fresh);
        state = State::Running;
    }
    phase = phaseName(job.phase());
    percent = job.percent();
    seconds = bringUp ? bringUp->seconds() : job.seconds();
    if (bringUp) {
        attempt = bringUp->attempt();
        tries = bringUp->tries();
    }
}

} // namespace auxpad
