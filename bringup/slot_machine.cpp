#include "bringup/slot_machine.h"

#include <iterator>

#include "bringup/move_table.h"

namespace auxpad {

using namespace slot;

namespace {

// The states as the table names them, in SlotState's order.
enum class Kind { Stopped, Waiting, Running, Done, Away };
static_assert(std::variant_size_v<SlotState> == static_cast<std::size_t>(Kind::Away) + 1);

Kind kindOf(const SlotState& state)
{
    return static_cast<Kind>(state.index());
}

enum class On { Start, Stop, Heard, LineLost, BringUpEnded, LineLooked, Deadline };

// What an input found, worked out once as it comes, for the table to choose by.
enum class When {
    Always,     // an input that goes one way only
    Otherwise,  // none of the others
    LineOpen,   // the slot's line is there: at a start, or all through its board's bring-up
    LineGone,   // it is not, or it went during the bring-up
    EndAwaited, // the bring-up stopped with the slot has its end told
    Due,        // the deadline came
    Silent,     // the deadline came, and the board has not answered twice in a row
    Back,       // the line is back
};

using Move = auxpad::Move<Kind, On, When>;

// Every move there is, with what it asks for. A self-move does its work in its state.
constexpr Move kMoves[] = {
    {Kind::Stopped, On::Start, When::LineOpen, Kind::Waiting},          // Probe
    {Kind::Stopped, On::Start, When::LineGone, Kind::Away},
    {Kind::Waiting, On::Heard, When::Always, Kind::Running},            // Arrived, StartBringUp
    {Kind::Waiting, On::Deadline, When::Due, Kind::Waiting},            // Probe
    {Kind::Waiting, On::LineLost, When::Always, Kind::Away},
    {Kind::Running, On::LineLost, When::Always, Kind::Running},         // the line gone: the bring-up ends first
    {Kind::Running, On::BringUpEnded, When::LineOpen, Kind::Done},      // Finished
    {Kind::Running, On::BringUpEnded, When::LineGone, Kind::Away},      // Finished, Left
    {Kind::Done, On::Heard, When::Always, Kind::Done},                  // answered: a reset starts nothing
    {Kind::Done, On::Deadline, When::Due, Kind::Done},                  // Probe
    {Kind::Done, On::Deadline, When::Silent, Kind::Waiting},            // Left, Probe
    {Kind::Done, On::LineLost, When::Always, Kind::Away},               // Left
    {Kind::Away, On::Deadline, When::Due, Kind::Away},                  // LookForLine
    {Kind::Away, On::LineLooked, When::Back, Kind::Waiting},            // Probe
    {Kind::Waiting, On::Stop, When::Always, Kind::Stopped},
    {Kind::Running, On::Stop, When::Always, Kind::Stopped},             // StopBringUp
    {Kind::Done, On::Stop, When::Always, Kind::Stopped},
    {Kind::Away, On::Stop, When::Always, Kind::Stopped},
    {Kind::Stopped, On::BringUpEnded, When::EndAwaited, Kind::Stopped}, // Finished
};

static_assert(oneRowEach(kMoves), "a state, an input and what it found lead to one state");

// Where the table says the input leads from this state, or nothing when it has no row.
std::optional<Kind> moveFrom(const SlotState& state, On on, When when)
{
    return moveIn(kMoves, kindOf(state), on, when);
}

} // namespace

void SlotMachine::start(bool lineOpen, Millis now)
{
    const std::optional<Kind> to = moveFrom(state_, On::Start, lineOpen ? When::LineOpen : When::LineGone);
    if (to == Kind::Waiting)
        wait(now);
    else if (to == Kind::Away)
        lookFor(now, false);
}

void SlotMachine::wait(Millis now, std::optional<Millis> boardBackUntil)
{
    state_ = Waiting{now + kAskEmptyMs, boardBackUntil};
    outputs_.push_back(Probe{});
}

void SlotMachine::lookFor(Millis now, bool hadBoard)
{
    Away away{now};
    away.nextLook = now + away.looks.failed();
    away.hadBoard = hadBoard;
    state_ = away;
}

void SlotMachine::stop()
{
    const bool running = std::holds_alternative<Running>(state_);
    if (moveFrom(state_, On::Stop, When::Always) != Kind::Stopped)
        return;
    state_ = Stopped{running};
    if (running)
        outputs_.push_back(StopBringUp{});
}

void SlotMachine::heard(Millis now)
{
    const std::optional<Kind> to = moveFrom(state_, On::Heard, When::Always);
    if (to == Kind::Done) {
        std::get<Done>(state_).answered = true;
    } else if (to == Kind::Running) {
        const auto backUntil = std::get<Waiting>(state_).boardBackUntil;
        state_ = Running{};
        outputs_.push_back(Arrived{backUntil && now <= *backUntil});
        outputs_.push_back(StartBringUp{});
    }
}

void SlotMachine::lineLost(Millis now)
{
    const Kind from = kindOf(state_);
    const std::optional<Kind> to = moveFrom(state_, On::LineLost, When::Always);
    if (to == Kind::Running) {
        std::get<Running>(state_).lineGone = true;
    } else if (to == Kind::Away) {
        lookFor(now, from == Kind::Done);
        if (from == Kind::Done)
            outputs_.push_back(Left{});
    }
}

void SlotMachine::bringUpEnded(Verdict verdict, Millis now)
{
    When when = When::Otherwise;
    if (const auto* stopped = std::get_if<Stopped>(&state_); stopped && stopped->endAwaited)
        when = When::EndAwaited;
    else if (const auto* running = std::get_if<Running>(&state_))
        when = running->lineGone ? When::LineGone : When::LineOpen;
    const std::optional<Kind> to = moveFrom(state_, On::BringUpEnded, when);
    if (!to)
        return;
    outputs_.push_back(Finished{verdict});
    if (to == Kind::Stopped) {
        std::get<Stopped>(state_).endAwaited = false;
    } else if (to == Kind::Away) {
        lookFor(now, true);
        outputs_.push_back(Left{});
    } else if (to == Kind::Done) {
        state_ = Done{now + kAskPresentMs};
    }
}

void SlotMachine::lineLooked(bool back, Millis now)
{
    const auto* away = std::get_if<Away>(&state_);
    const bool hadBoard = away && away->hadBoard;
    if (moveFrom(state_, On::LineLooked, back ? When::Back : When::Otherwise) == Kind::Waiting)
        wait(now, hadBoard ? std::optional<Millis>(now + kBoardBackMs) : std::nullopt);
}

void SlotMachine::deadlinePassed(Millis now)
{
    const std::optional<Millis> due = nextDeadline();
    When when = due && now >= *due ? When::Due : When::Otherwise;
    const auto* done = std::get_if<Done>(&state_);
    const int silent = !done ? 0 : done->answered ? 0 : done->silent + 1;
    if (done && when == When::Due && silent >= kSilentAnswersToLeave)
        when = When::Silent;
    const Kind from = kindOf(state_);
    const std::optional<Kind> to = moveFrom(state_, On::Deadline, when);
    if (to == Kind::Waiting) {
        std::optional<Millis> backUntil;
        if (from == Kind::Done)
            outputs_.push_back(Left{}); // within 3 s of falling silent
        else
            backUntil = std::get<Waiting>(state_).boardBackUntil;
        wait(now, backUntil);
    } else if (to == Kind::Done) {
        Done& asking = std::get<Done>(state_);
        asking.silent = silent;
        asking.answered = false;
        asking.nextAsk = now + kAskPresentMs;
        outputs_.push_back(Probe{});
    } else if (to == Kind::Away) {
        Away& away = std::get<Away>(state_);
        away.nextLook = now + away.looks.failed();
        outputs_.push_back(LookForLine{});
    }
}

std::optional<Millis> SlotMachine::nextDeadline() const
{
    if (const auto* waiting = std::get_if<Waiting>(&state_))
        return waiting->nextAsk;
    if (const auto* done = std::get_if<Done>(&state_))
        return done->nextAsk;
    if (const auto* away = std::get_if<Away>(&state_))
        return away->nextLook;
    return std::nullopt;
}

} // namespace auxpad
