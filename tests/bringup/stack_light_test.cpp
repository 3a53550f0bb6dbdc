// What a bench's stack light shows for the boards in its slots, and the bytes it sends.
#include <gtest/gtest.h>

#include "bringup/stack_light.h"

namespace {

using auxpad::StackLightMachine;
using auxpad::Verdict;
using auxpad::tower::Board;
using auxpad::tower::Frame;
using auxpad::tower::Lamp;
using auxpad::tower::relayFrame;

// Red beats amber beats green, as the machine's tests below show; green is the last
// board's pass, and stays when no board is left.
TEST(StackLight, GreenIsTheLastBoardsPassEvenWithEverySlotEmpty)
{
    EXPECT_EQ(auxpad::lampFor(std::vector{Board::Empty, Board::Empty}, true), Lamp::Green);
}

TEST(StackLight, AllOffAtTheStartThenOnlyTheLampsThatChange)
{
    StackLightMachine m(2, {{4, 5, 6}}); // red on relay 4, amber 5, green 6
    m.running(0);
    EXPECT_TRUE(m.takeFrames().empty()) << "nothing before the start";
    m.start();
    EXPECT_EQ(m.takeFrames(), (std::vector<Frame>{relayFrame(4, false), relayFrame(5, false), relayFrame(6, false)}));
    m.arrived(0);
    m.running(0);
    m.running(1);
    EXPECT_EQ(m.takeFrames(), (std::vector<Frame>{relayFrame(5, true)})) << "amber once, for both boards";
    m.finished(0, Verdict::Passed);
    EXPECT_TRUE(m.takeFrames().empty()) << "board 1 still runs";
    m.finished(1, Verdict::Failed);
    EXPECT_EQ(m.takeFrames(), (std::vector<Frame>{relayFrame(4, true), relayFrame(5, false)}));
    EXPECT_EQ(m.lit(), Lamp::Red);
    m.end();
    EXPECT_EQ(m.takeFrames(), (std::vector<Frame>{relayFrame(4, false)}));
    m.arrived(0);
    EXPECT_TRUE(m.takeFrames().empty()) << "off stays off once the bench ends";
}

TEST(StackLight, AFailedBoardKeepsRedUntilPulledAndItsSlotsNextPassTurnsGreen)
{
    StackLightMachine m(2, {});
    m.start();
    m.arrived(0);
    m.arrived(1);
    m.finished(1, Verdict::Passed);
    m.finished(0, Verdict::Interrupted);
    EXPECT_EQ(m.lit(), Lamp::Red) << "not passed is red, whatever stopped it";
    m.left(1);
    m.arrived(1);
    m.finished(1, Verdict::Passed);
    EXPECT_EQ(m.lit(), Lamp::Red) << "a pass elsewhere does not hide the board still to be pulled";
    m.left(0);
    EXPECT_EQ(m.lit(), Lamp::Green);
    m.arrived(0);
    EXPECT_EQ(m.lit(), Lamp::Amber);
    m.finished(0, Verdict::Failed);
    m.left(0);
    EXPECT_EQ(m.lit(), std::nullopt) << "the last board failed and is gone: no green for it";
    m.finished(1, Verdict::Passed);
    EXPECT_EQ(m.lit(), std::nullopt) << "a board that ended once does not end again before it runs";
}

} // namespace
