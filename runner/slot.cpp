#include "runner/slot.h"

namespace auxpad {

namespace {
constexpr int kAskEmptyMs = 2000;
constexpr int kAskPresentMs = 1000;
constexpr int kSilentAnswersToLeave = 2;
constexpr int kReopenMs = 1000;
} // namespace

Slot::Slot(BoardRunner& runner, BoardJob& job, BringUp& bringUp, QObject* parent)
    : QObject(parent), runner_(runner), job_(job), bringUp_(bringUp)
{
    connect(&job_, &BoardJob::heard, this, &Slot::heard);
    connect(&runner_, &BoardRunner::lineLost, this, &Slot::lineLost);
    connect(&ask_, &QTimer::timeout, this, &Slot::ask);
    connect(&reopen_, &QTimer::timeout, this, &Slot::reopen);
    connect(&bringUp_, &BringUp::finished, this, [this] {
        (bringUp_.result().passed() ? passed_ : failed_)++;
        emit finished();
        if (stopped_)
            return;
        if (lineGone_)
            return enter(State::Away);
        enter(State::Done);
    });
}

void Slot::start()
{
    stopped_ = false;
    lineGone_ = !runner_.isOpen();
    enter(lineGone_ ? State::Away : State::Waiting);
}

void Slot::stop()
{
    stopped_ = true;
    ask_.stop();
    reopen_.stop();
    if (bringUp_.running())
        bringUp_.interrupt();
}

void Slot::enter(State state)
{
    const State was = state_;
    state_ = state;
    ask_.stop();
    reopen_.stop();
    answered_ = false;
    silent_ = 0;
    switch (state) {
    case State::Waiting:
        ask_.start(kAskEmptyMs);
        ask();
        break;
    case State::Done:
        answered_ = true; // it answered its bring-up
        ask_.start(kAskPresentMs);
        break;
    case State::Away:
        reopen_.start(kReopenMs);
        break;
    case State::Running:
        break;
    }
    if ((was == State::Done || was == State::Running) && (state == State::Waiting || state == State::Away))
        emit left();
    emit stateChanged();
}

void Slot::ask()
{
    if (state_ == State::Done) {
        silent_ = answered_ ? 0 : silent_ + 1;
        if (silent_ >= kSilentAnswersToLeave)
            return enter(State::Waiting);
    }
    answered_ = false;
    runner_.command([](StationEngine& e, Millis now) { e.probeBoard(now); });
}

void Slot::heard()
{
    answered_ = true;
    if (state_ != State::Waiting || stopped_)
        return;
    state_ = State::Running;
    ask_.stop();
    emit arrived();
    emit stateChanged();
    // At the next turn of the event loop, once what the board said has been told.
    QMetaObject::invokeMethod(this, [this] { bringUp_.start(); }, Qt::QueuedConnection);
}

void Slot::lineLost()
{
    lineGone_ = true;
    if (state_ != State::Running && !stopped_)
        enter(State::Away);
}

void Slot::reopen()
{
    if (!runner_.reopen())
        return;
    lineGone_ = false;
    enter(State::Waiting);
}

} // namespace auxpad
