#include "bringup/bring_up_machine.h"

#include <algorithm>
#include <iterator>
#include <tuple>
#include <utility>

#include "bringup/move_table.h"

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

namespace {

// The states as the table names them, in BringUpState's order.
enum class Kind { Idle, Flashing, Checking, ChoosingSerial, Writing, Recording, BetweenTries, AwaitingLine, Done };
static_assert(std::variant_size_v<BringUpState> == static_cast<std::size_t>(Kind::Done) + 1);

Kind kindOf(const BringUpState& state)
{
    return static_cast<Kind>(state.index());
}

enum class On { Start, Interrupt, FlashPaused, PassedBefore, SerialChosen, StepEnded, EndKept, LineLooked, Deadline };

// What an input found, worked out once as it comes, for the table to choose by.
enum class When {
    Always,       // an input that goes one way only
    Otherwise,    // none of the others
    OtherTry,     // an answer to another try: it has no row, so it is dropped
    CheckPassed,  // the paused flash read a serial, and a board that passed is not brought up again
    PassedBefore, // a passed bring-up of this recipe holds that serial
    StepPassed,   // the step passed and no front stopped it
    SerialHad,    // the records chose a serial
    Again,        // kept: a curable cause, tries left, the line there
    LineGone,     // kept: a curable cause, tries left, the line gone, and the board waited for
    Due,          // the deadline came
    Back,         // the line is back
    TimeUp,       // the line is still gone, and was waited for long enough
};

using Move = auxpad::Move<Kind, On, When>;

// Every move there is, with what it asks for. A self-move does its work in its state.
constexpr Move kMoves[] = {
    {Kind::Idle, On::Start, When::Always, Kind::Flashing},                     // KeepStart, StartFlash
    {Kind::Done, On::Start, When::Always, Kind::Flashing},
    {Kind::Flashing, On::FlashPaused, When::CheckPassed, Kind::Checking},      // AskPassed
    {Kind::Flashing, On::FlashPaused, When::Otherwise, Kind::Flashing},        // ReleaseFlash
    {Kind::Checking, On::PassedBefore, When::PassedBefore, Kind::Flashing},    // StopFlash: already passed
    {Kind::Checking, On::PassedBefore, When::Otherwise, Kind::Flashing},       // ReleaseFlash, unknown included
    {Kind::Flashing, On::StepEnded, When::StepPassed, Kind::ChoosingSerial},   // AskSerial
    {Kind::Flashing, On::StepEnded, When::Otherwise, Kind::Recording},         // KeepEnd
    {Kind::Checking, On::StepEnded, When::StepPassed, Kind::ChoosingSerial},
    {Kind::Checking, On::StepEnded, When::Otherwise, Kind::Recording},
    {Kind::ChoosingSerial, On::SerialChosen, When::SerialHad, Kind::Writing},  // StartWrite
    {Kind::ChoosingSerial, On::SerialChosen, When::Otherwise, Kind::Recording},
    {Kind::Writing, On::StepEnded, When::StepPassed, Kind::Recording},         // EndReservation when allocated
    {Kind::Writing, On::StepEnded, When::Otherwise, Kind::Recording},
    {Kind::Recording, On::EndKept, When::Again, Kind::BetweenTries},
    {Kind::Recording, On::EndKept, When::LineGone, Kind::AwaitingLine},        // ReopenLine
    {Kind::Recording, On::EndKept, When::Otherwise, Kind::Done},               // PrintLabel when passed now, Finished
    {Kind::BetweenTries, On::Deadline, When::Due, Kind::Flashing},             // the next try
    {Kind::AwaitingLine, On::Deadline, When::Due, Kind::AwaitingLine},         // ReopenLine
    {Kind::AwaitingLine, On::LineLooked, When::Back, Kind::Flashing},          // the next try
    {Kind::AwaitingLine, On::LineLooked, When::TimeUp, Kind::Done},            // the hang-up stands
    {Kind::Flashing, On::Interrupt, When::Always, Kind::Flashing},             // InterruptJob: its end comes
    {Kind::Checking, On::Interrupt, When::Always, Kind::Checking},             // as the step's end
    {Kind::Writing, On::Interrupt, When::Always, Kind::Writing},
    {Kind::ChoosingSerial, On::Interrupt, When::Always, Kind::Recording},
    {Kind::BetweenTries, On::Interrupt, When::Always, Kind::Done},
    {Kind::AwaitingLine, On::Interrupt, When::Always, Kind::Done},
};

static_assert(oneRowEach(kMoves), "a state, an input and what it found lead to one state");

// Where the table says the input leads from this state, or nothing when it has no row.
std::optional<Kind> moveFrom(const BringUpState& state, On on, When when)
{
    return moveIn(kMoves, kindOf(state), on, when);
}

} // namespace

bool BringUpMachine::running() const
{
    return !in<Idle>() && !in<Done>();
}

void BringUpMachine::start(Millis now)
{
    if (moveFrom(state_, On::Start, When::Always) != Kind::Flashing)
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
    result_.step = Step::None;
    result_.cause = FailureCause::None;
    flash_ = {};
    state_ = Flashing{};
    outputs_.push_back(KeepStart{attempt_});
    outputs_.push_back(StartFlash{rules_.skipPassed});
}

void BringUpMachine::interrupt(Millis now)
{
    stopped_ = true;
    const Kind from = kindOf(state_);
    const std::optional<Kind> to = moveFrom(state_, On::Interrupt, When::Always);
    if (to == from)
        outputs_.push_back(InterruptJob{});
    else if (to == Kind::Recording)
        record(JobOutcome::Interrupted, flash_, "interrupted while its serial number was chosen", now,
               std::pair{Step::Serial, FailureCause::Interrupted});
    else if (to == Kind::Done)
        finish();
}

// A board brought up before is not brought up again: its flash job stops before the
// first download when a passed bring-up of this recipe holds the serial it read.
void BringUpMachine::flashPaused(const JobSummary& flash)
{
    const When when = !flash.serial.empty() && rules_.skipPassed ? When::CheckPassed : When::Otherwise;
    const std::optional<Kind> to = moveFrom(state_, On::FlashPaused, when);
    if (to == Kind::Checking) {
        state_ = Checking{flash.serial};
        outputs_.push_back(AskPassed{attempt_, flash.serial});
    } else if (to == Kind::Flashing) {
        outputs_.push_back(ReleaseFlash{});
    }
}

void BringUpMachine::passedBefore(int attempt, const Expected<bool, std::string>& passed)
{
    const When when = attempt != attempt_ ? When::OtherTry
        : passed && *passed               ? When::PassedBefore
                                          : When::Otherwise; // when nobody can tell, the board is brought up
    if (moveFrom(state_, On::PassedBefore, when) != Kind::Flashing)
        return;
    const std::string serial = std::get<Checking>(state_).serial;
    state_ = Flashing{};
    if (when != When::PassedBefore) {
        outputs_.push_back(ReleaseFlash{});
        return;
    }
    result_.alreadyPassed = true;
    outputs_.push_back(StopFlash{"already brought up with this recipe: " + serial + " passed before"});
}

void BringUpMachine::serialChosen(int attempt, const Expected<SerialChoice, std::string>& choice, Millis now)
{
    const When when = attempt != attempt_ ? When::OtherTry : choice ? When::SerialHad : When::Otherwise;
    const std::optional<Kind> to = moveFrom(state_, On::SerialChosen, when);
    if (to == Kind::Writing) {
        result_.serialSource = choice->source;
        state_ = Writing{};
        outputs_.push_back(StartWrite{choice->serial});
    } else if (to == Kind::Recording) {
        record(JobOutcome::Failed, flash_,
               "no serial number could be reserved, so nothing was written: " + choice.error(), now,
               std::pair{Step::Serial, FailureCause::NoSerial});
    }
}

void BringUpMachine::stepEnded(const JobSummary& step, Millis now)
{
    const Kind from = kindOf(state_);
    const When when = step.passed() && !stopped_ ? When::StepPassed : When::Otherwise;
    const std::optional<Kind> to = moveFrom(state_, On::StepEnded, when);
    if (!to)
        return;
    if (from == Kind::Writing) {
        if (result_.serialSource == SerialSource::Allocated)
            outputs_.push_back(EndReservation{step.fields[at(ProductField::Serial)], step.passed()});
        return record(step.outcome, step, step.failure(), now);
    }
    flash_ = step;
    if (to == Kind::ChoosingSerial) {
        state_ = ChoosingSerial{};
        outputs_.push_back(AskSerial{attempt_, step.serial});
    } else if (!step.passed()) {
        record(step.outcome, step, step.failure(), now);
    } else {
        record(JobOutcome::Interrupted, step, "interrupted before its serial number was chosen", now,
               std::pair{Step::Serial, FailureCause::Interrupted});
    }
}

void BringUpMachine::record(JobOutcome outcome, const JobSummary& last, std::string message, Millis now,
                            std::optional<std::pair<Step, FailureCause>> failed)
{
    std::tie(result_.step, result_.cause) = failed.value_or(std::pair{last.step, last.cause});
    if (result_.alreadyPassed) {
        outcome = JobOutcome::Interrupted;
        message = last.message;
        result_.cause = FailureCause::None; // it passed before
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
    const bool passedNow = result_.outcome == JobOutcome::Passed && !result_.alreadyPassed;
    const bool again = kept && !passedNow && !stopped_ && !result_.alreadyPassed && curable(result_.cause)
        && attempt_ < rules_.tries;
    const bool lineGone = result_.cause == FailureCause::LineLost;
    // In a slot a lost line means the board left: it is not waited for.
    const When when = attempt != attempt_ ? When::OtherTry
        : !again                          ? When::Otherwise
        : !lineGone                       ? When::Again
        : rules_.lostLineLeaves           ? When::Otherwise
                                          : When::LineGone;
    const std::optional<Kind> to = moveFrom(state_, On::EndKept, when);
    if (to == Kind::BetweenTries) {
        state_ = BetweenTries{now + kRetryAfterMs};
    } else if (to == Kind::AwaitingLine) {
        AwaitingLine waiting{now + kLineWaitMs, now};
        waiting.nextLook = now + waiting.looks.failed();
        state_ = waiting;
        outputs_.push_back(ReopenLine{});
    } else if (to == Kind::Done) {
        if (!kept) {
            result_.outcome = JobOutcome::Failed;
            result_.cause = FailureCause::Station;
            result_.alreadyPassed = false;
            result_.message = "This bring-up is not on record: " + kept.error();
        } else if (passedNow) {
            // A board brought up now gets its label; one that passed before has its own.
            outputs_.push_back(PrintLabel{});
        }
        finish();
    }
}

void BringUpMachine::lineLooked(bool back, Millis now)
{
    const auto* waiting = std::get_if<AwaitingLine>(&state_);
    const When when = back ? When::Back : waiting && now >= waiting->giveUpAt ? When::TimeUp : When::Otherwise;
    const std::optional<Kind> to = moveFrom(state_, On::LineLooked, when);
    if (to == Kind::Flashing)
        beginTry();
    else if (to == Kind::Done)
        finish();
}

void BringUpMachine::deadlinePassed(Millis now)
{
    const std::optional<Millis> due = nextDeadline();
    const std::optional<Kind> to = moveFrom(state_, On::Deadline, due && now >= *due ? When::Due : When::Otherwise);
    if (to == Kind::Flashing) {
        beginTry();
    } else if (to == Kind::AwaitingLine) {
        // The last look is at the limit, whatever the pause would be.
        AwaitingLine& waiting = std::get<AwaitingLine>(state_);
        waiting.nextLook = std::min(now + waiting.looks.failed(), waiting.giveUpAt);
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
