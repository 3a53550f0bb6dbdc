#include "bringup/slot_machine.h"

namespace auxpad {

using namespace slot;

void SlotMachine::start(bool lineOpen, Millis now)
{
    if (!std::holds_alternative<Stopped>(state_))
        return;
    if (lineOpen)
        wait(now);
    else
        state_ = Away{now + kLookMs};
}

void SlotMachine::wait(Millis now)
{
    state_ = Waiting{now + kAskEmptyMs};
    outputs_.push_back(Probe{});
}

void SlotMachine::stop()
{
    const bool running = std::holds_alternative<Running>(state_);
    state_ = Stopped{running};
    if (running)
        outputs_.push_back(StopBringUp{});
}

void SlotMachine::heard(Millis)
{
    if (auto* done = std::get_if<Done>(&state_)) {
        done->answered = true;
        return;
    }
    if (!std::holds_alternative<Waiting>(state_))
        return;
    state_ = Running{};
    outputs_.push_back(Arrived{});
    outputs_.push_back(StartBringUp{});
}

void SlotMachine::lineLost(Millis now)
{
    if (auto* running = std::get_if<Running>(&state_)) {
        running->lineGone = true;
        return;
    }
    const bool wasDone = std::holds_alternative<Done>(state_);
    if (!wasDone && !std::holds_alternative<Waiting>(state_))
        return;
    state_ = Away{now + kLookMs};
    if (wasDone)
        outputs_.push_back(Left{});
}

void SlotMachine::bringUpEnded(Verdict verdict, Millis now)
{
    if (auto* stopped = std::get_if<Stopped>(&state_); stopped && stopped->endAwaited) {
        stopped->endAwaited = false;
        tally_.add(verdict);
        outputs_.push_back(Finished{verdict});
        return;
    }
    const auto* running = std::get_if<Running>(&state_);
    if (!running)
        return;
    tally_.add(verdict);
    outputs_.push_back(Finished{verdict});
    if (running->lineGone) {
        state_ = Away{now + kLookMs};
        outputs_.push_back(Left{});
        return;
    }
    state_ = Done{now + kAskPresentMs};
}

void SlotMachine::lineLooked(bool back, Millis now)
{
    if (back && std::holds_alternative<Away>(state_))
        wait(now);
}

void SlotMachine::deadlinePassed(Millis now)
{
    if (auto* waiting = std::get_if<Waiting>(&state_); waiting && now >= waiting->nextAsk) {
        waiting->nextAsk = now + kAskEmptyMs;
        outputs_.push_back(Probe{});
    } else if (auto* done = std::get_if<Done>(&state_); done && now >= done->nextAsk) {
        done->silent = done->answered ? 0 : done->silent + 1;
        if (done->silent >= kSilentAnswersToLeave) {
            outputs_.push_back(Left{});
            return wait(now);
        }
        done->answered = false;
        done->nextAsk = now + kAskPresentMs;
        outputs_.push_back(Probe{});
    } else if (auto* away = std::get_if<Away>(&state_); away && now >= away->nextLook) {
        away->nextLook = now + kLookMs;
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
