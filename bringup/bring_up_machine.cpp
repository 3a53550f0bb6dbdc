#include "bringup/bring_up_machine.h"

namespace auxpad {

using namespace bringup;

const char* serialSourceName(SerialSource source)
{
    switch (source) {
    case SerialSource::Kept:
        return "kept";
    case SerialSource::Allocated:
        return "allocated";
    case SerialSource::None:
        break;
    }
    return "";
}

bool BringUpMachine::running() const
{
    return !in<Idle>() && !in<Done>();
}

void BringUpMachine::start(Millis now)
{
    if (running())
        return;
    result_ = {};
    attempt_ = 0;
    stopped_ = false;
    startedAt_ = now;
    beginTry();
}

void BringUpMachine::beginTry()
{
    ++attempt_;
    result_.tries = attempt_;
    result_.alreadyPassed = false;
    result_.serialSource = SerialSource::None;
    flash_ = {};
    state_ = Flashing{};
    outputs_.push_back(KeepStart{attempt_});
    outputs_.push_back(StartFlash{rules_.skipPassed});
}

void BringUpMachine::interrupt(Millis now)
{
    stopped_ = true;
    if (in<Flashing>() || in<Checking>() || in<Writing>())
        outputs_.push_back(InterruptJob{});
    else if (in<ChoosingSerial>())
        record(JobOutcome::Interrupted, flash_, "interrupted while its serial number was chosen", now);
    else if (in<BetweenTries>() || in<AwaitingLine>())
        finish();
}

// A board brought up before is not brought up again: its flash job stops before the
// first download when a passed bring-up of this recipe holds the serial it read.
void BringUpMachine::flashPaused(const JobSummary& flash)
{
    if (!in<Flashing>())
        return;
    if (flash.serial.empty() || !rules_.skipPassed) {
        outputs_.push_back(ReleaseFlash{});
        return;
    }
    state_ = Checking{flash.serial};
    outputs_.push_back(AskPassed{attempt_, flash.serial});
}

void BringUpMachine::passedBefore(int attempt, const Expected<bool, std::string>& passed)
{
    const auto* checking = std::get_if<Checking>(&state_);
    if (attempt != attempt_ || !checking)
        return;
    const std::string serial = checking->serial;
    state_ = Flashing{};
    if (!passed || !*passed) {
        outputs_.push_back(ReleaseFlash{}); // when nobody can tell, the board is brought up
        return;
    }
    result_.alreadyPassed = true;
    outputs_.push_back(StopFlash{"already brought up with this recipe: " + serial + " passed before"});
}

void BringUpMachine::serialChosen(int attempt, const Expected<SerialChoice, std::string>& choice, Millis now)
{
    if (attempt != attempt_ || !in<ChoosingSerial>())
        return;
    if (!choice) {
        record(JobOutcome::Failed, flash_,
               "no serial number could be reserved, so nothing was written: " + choice.error(), now);
        return;
    }
    result_.serialSource = choice->source;
    state_ = Writing{};
    outputs_.push_back(StartWrite{choice->serial});
}

void BringUpMachine::stepEnded(const JobSummary& step, Millis now)
{
    if (in<Flashing>() || in<Checking>()) {
        flash_ = step;
        if (!step.passed())
            return record(step.outcome, step, step.failure(), now);
        if (stopped_)
            return record(JobOutcome::Interrupted, step, "interrupted before its serial number was chosen", now);
        state_ = ChoosingSerial{};
        outputs_.push_back(AskSerial{attempt_, step.serial});
        return;
    }
    if (in<Writing>()) {
        if (result_.serialSource == SerialSource::Allocated)
            outputs_.push_back(EndReservation{step.fields[at(ProductField::Serial)], step.passed()});
        record(step.outcome, step, step.failure(), now);
    }
}

void BringUpMachine::record(JobOutcome outcome, const JobSummary& last, std::string message, Millis now)
{
    if (result_.alreadyPassed) {
        outcome = JobOutcome::Interrupted;
        message = last.message;
    }
    result_.outcome = outcome;
    result_.last = last;
    result_.message = std::move(message);
    result_.serial = !last.serial.empty() ? last.serial : flash_.serial;
    if (now >= startedAt_)
        result_.seconds = static_cast<double>(now - startedAt_) / 1000;
    state_ = Recording{};
    outputs_.push_back(KeepEnd{attempt_});
}

void BringUpMachine::endKept(int attempt, const Expected<void, std::string>& kept, Millis now)
{
    if (attempt != attempt_ || !in<Recording>())
        return;
    if (!kept) {
        result_.outcome = JobOutcome::Failed;
        result_.alreadyPassed = false;
        result_.message = "This bring-up is not on record: " + kept.error();
        return finish();
    }
    if (result_.outcome == JobOutcome::Passed && !result_.alreadyPassed) {
        // A board brought up now gets its label; one that passed before has its own.
        outputs_.push_back(PrintLabel{});
        return finish();
    }
    const bool again = !stopped_ && !result_.alreadyPassed
        && curable(result_.last.cause) && attempt_ < rules_.tries;
    if (!again)
        return finish();
    if (result_.last.cause != FailureCause::LineLost) {
        state_ = BetweenTries{now + kRetryAfterMs};
        return;
    }
    if (rules_.lostLineLeaves)
        return finish();
    state_ = AwaitingLine{now + kLineWaitMs, now + kLineLookMs};
    outputs_.push_back(ReopenLine{});
}

void BringUpMachine::lineLooked(bool back, Millis now)
{
    const auto* waiting = std::get_if<AwaitingLine>(&state_);
    if (!waiting)
        return;
    if (back)
        return beginTry();
    if (now >= waiting->giveUpAt)
        finish(); // the board did not come back: the hang-up stands
}

void BringUpMachine::deadlinePassed(Millis now)
{
    if (const auto* between = std::get_if<BetweenTries>(&state_); between && now >= between->until)
        return beginTry();
    if (auto* waiting = std::get_if<AwaitingLine>(&state_); waiting && now >= waiting->nextLook) {
        waiting->nextLook = now + kLineLookMs;
        outputs_.push_back(ReopenLine{});
    }
}

std::optional<Millis> BringUpMachine::nextDeadline() const
{
    if (const auto* between = std::get_if<BetweenTries>(&state_))
        return between->until;
    if (const auto* waiting = std::get_if<AwaitingLine>(&state_))
        return waiting->nextLook;
    return std::nullopt;
}

void BringUpMachine::finish()
{
    state_ = Done{};
    outputs_.push_back(Finished{});
}

} // namespace auxpad
