#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "bringup/tally.h"

namespace auxpad {

namespace tower {
// The lamps of a bench's stack light, in the order one beats the other.
enum class Lamp { Red, Amber, Green };
inline constexpr std::size_t kLamps = 3;

// What a slot holds, as the tower sees it.
enum class Board {
    Empty,   // no board, or one whose result is gone with it
    Running, // a board arrived, or a job or bring-up runs on it
    Passed,  // its last job or bring-up passed, and it is still there
    Failed,  // it ended without passing, and the operator has not pulled it yet
};

// The relay behind each lamp, 1 to 8, in Lamp's order.
struct Relays {
    std::array<int, kLamps> of{1, 2, 3};
};

using Frame = std::array<std::uint8_t, 4>;
// The relay tower's one command: A0, the relay, 0 or 1, and the low byte of their sum.
Frame relayFrame(int relay, bool on);
} // namespace tower

// The one rule of what the tower shows: red while a failed board waits to be pulled,
// amber while one runs, green when the last board to finish passed; otherwise nothing.
// One lamp at most, so that a glance from across the floor needs no decoding.
std::optional<tower::Lamp> lampFor(std::span<const tower::Board> boards, bool lastPassed);

// A bench's stack light as a machine that does no I/O: it follows each slot's boards and
// hands out the frames that bring the tower to what lampFor says, only for a lamp that
// changes. Its first frames turn all three off, since the tower's state at the start is
// whatever the last program left; after end() it follows nothing more, so the frames
// that turn it off are the last.
//
// Which state an input leads a slot to is said in one place, the table of moves in
// stack_light.cpp; an input it has no row for changes nothing.
class StackLightMachine {
public:
    StackLightMachine(std::size_t boards, tower::Relays relays);

    void start();
    void arrived(std::size_t board);
    void running(std::size_t board);
    void finished(std::size_t board, Verdict verdict);
    void left(std::size_t board);
    void end();

    std::vector<tower::Frame> takeFrames() { return std::exchange(frames_, {}); }
    const std::vector<tower::Board>& boards() const { return boards_; }
    std::optional<tower::Lamp> lit() const;

private:
    enum class On { Arrived, Running, Passed, NotPassed, Left };
    void move(std::size_t board, On on);
    void show(std::optional<tower::Lamp> lamp);

    enum class Phase { Before, Following, Ended };
    Phase phase_ = Phase::Before;
    std::vector<tower::Board> boards_;
    bool lastPassed_ = false;
    tower::Relays relays_;
    std::array<bool, tower::kLamps> on_{}; // as the frames sent so far left the tower
    std::vector<tower::Frame> frames_;
};

} // namespace auxpad
