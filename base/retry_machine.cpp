#include "base/retry_machine.h"

namespace auxpad {

RetryMachine::Do RetryMachine::start()
{
    state_ = State::Trying;
    again_ = false;
    return Do::Start;
}

RetryMachine::Do RetryMachine::asked(Millis now)
{
    switch (state_) {
    case State::Idle:
        if (gatherMs_ <= 0)
            return start();
        state_ = State::Gathering;
        due_ = tickAdd(now, gatherMs_);
        return Do::Wait;
    case State::Trying:
        again_ = true;
        return Do::Wait;
    case State::Gathering:
    case State::Waiting:
        return Do::Wait;
    }
    return Do::Wait;
}

RetryMachine::Do RetryMachine::askedAtOnce(Millis)
{
    if (state_ == State::Trying) {
        again_ = true;
        return Do::Wait;
    }
    return start();
}

RetryMachine::Do RetryMachine::tried(bool worked, Millis now)
{
    if (state_ != State::Trying)
        return Do::Wait;
    if (!worked) {
        state_ = State::Waiting;
        again_ = false; // the next try takes everything
        due_ = tickAdd(now, backoff_.failed());
        return Do::Wait;
    }
    backoff_.succeeded();
    state_ = State::Idle;
    return again_ ? asked(now) : Do::Wait;
}

RetryMachine::Do RetryMachine::deadlinePassed(Millis now)
{
    if ((state_ == State::Gathering || state_ == State::Waiting) && tickDiff(now, due_) >= 0)
        return start();
    return Do::Wait;
}

std::optional<Millis> RetryMachine::nextDeadline() const
{
    if (state_ == State::Gathering || state_ == State::Waiting)
        return due_;
    return std::nullopt;
}

} // namespace auxpad
