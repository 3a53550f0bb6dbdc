#include "runner/slot.h"

#include "runner/machine_shell.h"

namespace auxpad {

Slot::Slot(BoardRunner& runner, BoardJob& job, BringUp& bringUp, QObject* parent)
    : QObject(parent), runner_(runner), job_(job), bringUp_(bringUp), clock_(runner.clock()), deadline_(clock_.timer())
{
    connect(&job_, &BoardJob::heard, this, [this] { give([](SlotMachine& m, Millis now) { m.heard(now); }); });
    connect(&runner_, &BoardRunner::lineLost, this,
            [this] { give([](SlotMachine& m, Millis now) { m.lineLost(now); }); });
    connect(&bringUp_, &BringUp::finished, this, [this] {
        const Verdict verdict = bringUp_.result().verdict();
        give([verdict](SlotMachine& m, Millis now) { m.bringUpEnded(verdict, now); });
    });
    connect(deadline_.get(), &Timer::timeout, this,
            [this] { give([](SlotMachine& m, Millis now) { m.deadlinePassed(now); }); });
}

void Slot::start()
{
    give([open = runner_.isOpen()](SlotMachine& m, Millis now) { m.start(open, now); });
}

void Slot::stop()
{
    give([](SlotMachine& m, Millis) { m.stop(); });
}

void Slot::apply(std::size_t before)
{
    if (applying_)
        return;
    runOutputs(machine_, applying_, *deadline_, clock_.now(), [this](const SlotOutput& output) { run(output); });
    if (before != machine_.state().index())
        emit stateChanged();
}

void Slot::run(const SlotOutput& output)
{
    std::visit(
        [this](const auto& o) {
            using T = std::decay_t<decltype(o)>;
            if constexpr (std::is_same_v<T, slot::Probe>) {
                runner_.command([](BoardEngine& e, Millis now) { e.probeBoard(now); });
            } else if constexpr (std::is_same_v<T, slot::StartBringUp>) {
                // At the next turn of the event loop, once what the board said has been told.
                clock_.post(this, [this] {
                    if (std::holds_alternative<slot::Running>(machine_.state()))
                        bringUp_.start(board_);
                });
            } else if constexpr (std::is_same_v<T, slot::StopBringUp>) {
                bringUp_.interrupt();
            } else if constexpr (std::is_same_v<T, slot::LookForLine>) {
                machine_.lineLooked(runner_.reopen().has_value(), clock_.now());
            } else if constexpr (std::is_same_v<T, slot::Arrived>) {
                // A board that never left its slot keeps its identity: its tries are one board's.
                if (!o.sameBoard || board_.isEmpty())
                    board_ = newBoardIdentity();
                emit arrived();
            } else if constexpr (std::is_same_v<T, slot::Left>) {
                emit left();
            } else if constexpr (std::is_same_v<T, slot::Finished>) {
                emit finished();
            }
        },
        output);
}

} // namespace auxpad

#include "moc_slot.cpp"
