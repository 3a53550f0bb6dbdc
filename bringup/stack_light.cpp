#include "bringup/stack_light.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace auxpad {

tower::Frame tower::relayFrame(int relay, bool on)
{
    const auto r = static_cast<std::uint8_t>(relay);
    const std::uint8_t state = on ? 1 : 0;
    return {0xA0, r, state, static_cast<std::uint8_t>(0xA0 + r + state)};
}

std::optional<tower::Lamp> lampFor(std::span<const tower::Board> boards, bool lastPassed)
{
    auto any = [&](tower::Board b) { return std::find(boards.begin(), boards.end(), b) != boards.end(); };
    if (any(tower::Board::Failed))
        return tower::Lamp::Red;
    if (any(tower::Board::Running))
        return tower::Lamp::Amber;
    if (lastPassed)
        return tower::Lamp::Green;
    return std::nullopt;
}

StackLightMachine::StackLightMachine(std::size_t boards, tower::Relays relays)
    : boards_(boards, tower::Board::Empty), relays_(relays)
{
}

void StackLightMachine::move(std::size_t board, On on)
{
    // Every move a slot makes. A result stays until its board leaves or another board's
    // run starts in the slot; a board that ends without having been seen to run (a job
    // refused before it began) still ends.
    struct SlotMove {
        tower::Board from;
        On on;
        tower::Board to;
    };
    static constexpr SlotMove kMoves[] = {
        {tower::Board::Empty, On::Arrived, tower::Board::Running},
        {tower::Board::Passed, On::Arrived, tower::Board::Running},
        {tower::Board::Failed, On::Arrived, tower::Board::Running},
        {tower::Board::Empty, On::Running, tower::Board::Running},
        {tower::Board::Passed, On::Running, tower::Board::Running},
        {tower::Board::Failed, On::Running, tower::Board::Running},
        {tower::Board::Running, On::Passed, tower::Board::Passed},
        {tower::Board::Running, On::NotPassed, tower::Board::Failed},
        {tower::Board::Empty, On::Passed, tower::Board::Passed},
        {tower::Board::Empty, On::NotPassed, tower::Board::Failed},
        {tower::Board::Running, On::Left, tower::Board::Empty},
        {tower::Board::Passed, On::Left, tower::Board::Empty},
        {tower::Board::Failed, On::Left, tower::Board::Empty},
    };
    if (phase_ != Phase::Following || board >= boards_.size())
        return;
    tower::Board& slot = boards_[board];
    const auto row = std::find_if(std::begin(kMoves), std::end(kMoves),
                                  [&](const SlotMove& m) { return m.from == slot && m.on == on; });
    if (row == std::end(kMoves))
        return;
    slot = row->to;
    if (on == On::Passed || on == On::NotPassed)
        lastPassed_ = on == On::Passed;
    show(lampFor(boards_, lastPassed_));
}

void StackLightMachine::show(std::optional<tower::Lamp> lamp)
{
    for (std::size_t i = 0; i < tower::kLamps; ++i) {
        const bool on = lamp && static_cast<std::size_t>(*lamp) == i;
        if (on != on_[i])
            frames_.push_back(tower::relayFrame(relays_.of[i], on));
        on_[i] = on;
    }
}

void StackLightMachine::start()
{
    if (phase_ != Phase::Before)
        return;
    phase_ = Phase::Following;
    for (std::size_t i = 0; i < tower::kLamps; ++i)
        frames_.push_back(tower::relayFrame(relays_.of[i], false));
    on_ = {};
}

void StackLightMachine::arrived(std::size_t board)
{
    move(board, On::Arrived);
}

void StackLightMachine::running(std::size_t board)
{
    move(board, On::Running);
}

void StackLightMachine::finished(std::size_t board, Verdict verdict)
{
    move(board, verdict == Verdict::Passed ? On::Passed : On::NotPassed);
}

void StackLightMachine::left(std::size_t board)
{
    move(board, On::Left);
}

void StackLightMachine::end()
{
    if (phase_ == Phase::Following)
        show(std::nullopt);
    phase_ = Phase::Ended;
}

std::optional<tower::Lamp> StackLightMachine::lit() const
{
    for (std::size_t i = 0; i < tower::kLamps; ++i)
        if (on_[i])
            return static_cast<tower::Lamp>(i);
    return std::nullopt;
}

} // namespace auxpad
