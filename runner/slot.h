#pragma once

#include <QObject>
#include <QTimer>

#include "runner/bring_up.h"

namespace auxpad {

// One slot of a bench whose boards start by themselves (run --watch, line --auto). An
// empty slot asks every 2 s whether a board is there (a self-test request) and sends
// nothing else; a board that answers, or that powers up, is brought up at once. The
// result stays until the board leaves: the slot asks every second, and a board that has
// not answered twice in a row, or whose line went, has left (within 3 s of falling
// silent). Until then nothing starts again, a reset of the board included. A line that
// goes is opened again, looked up afresh, as soon as its device is back.
class Slot final : public QObject {
    Q_OBJECT
public:
    enum class State { Waiting, Running, Done, Away };

    Slot(BoardRunner& runner, BoardJob& job, BringUp& bringUp, QObject* parent = nullptr);

    void start();
    void stop();
    State state() const { return state_; }
    BoardJob& job() { return job_; }
    BringUp& bringUp() { return bringUp_; }
    int passed() const { return passed_; }
    int failed() const { return failed_; }

signals:
    void arrived();
    void left();
    void finished(); // a board's bring-up ended: bringUp().result()
    void stateChanged();

private:
    void heard();
    void ask();
    void lineLost();
    void reopen();
    void enter(State state);

    BoardRunner& runner_;
    BoardJob& job_;
    BringUp& bringUp_;
    State state_ = State::Waiting;
    bool stopped_ = true;
    QTimer ask_;
    QTimer reopen_;
    bool answered_ = false; // the board answered since the slot last asked
    int silent_ = 0;        // questions in a row without an answer
    bool lineGone_ = false;
    int passed_ = 0;
    int failed_ = 0;
};

} // namespace auxpad
