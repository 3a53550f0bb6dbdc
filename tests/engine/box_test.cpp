// A box the operator must close holds the station as a modal box holds the code behind
// it: nothing after it is shown, ticks that fall meanwhile are lost, and bytes from the
// line wait their turn.
#include <gtest/gtest.h>

#include "tests/support/engine_rig.h"

using namespace auxpad;

namespace {

TEST(Box, HoldsTheStationUntilTheOperatorClosesIt)
{
    EngineRig b{std::nullopt};
    b.closeBoxes = false;
    b.writeInfo({"1234", "123456789ab", "123456789ab", "123456789", "1234567", "150603"});
    b.written.clear();
    const std::size_t barsBefore = b.bars.size();
    // A failed self-test and, in the same read, a power-up indication.
    Bytes batch = boardMessage(0x6F, {0, 5, 3, 3, 3, 3, 3});
    const Bytes powerUp = boardMessage(0x06, {}, 0x41);
    batch.insert(batch.end(), powerUp.begin(), powerUp.end());
    b.fromBoard(batch);
    ASSERT_EQ(b.boxes.size(), 1u);
    EXPECT_EQ(b.boxes[0].text, "ERROR02: AUXPAD SelfTest Failed!");
    EXPECT_EQ(hexOf(b.written), "1E 28 00 7F 00 02 00 00 1E 55 ") << "only the first message is acknowledged";
    EXPECT_EQ(b.bars.size(), barsBefore) << "the bar is hidden only after the box";

    b.fromBoard(boardMessage(0x02, {}, 0x42));
    b.tick(25);
    b.engine.sendMessage("2D", b.now);
    EXPECT_EQ(b.boxes.size(), 1u) << "no tick reached the job, no command the link";
    EXPECT_EQ(hexOf(b.written), "1E 28 00 7F 00 02 00 00 1E 55 ");

    b.closeBox();
    EXPECT_FALSE(b.bars.back().visible);
    EXPECT_EQ(hexOf(b.written), "1E 28 00 7F 00 02 00 00 1E 55 1E 28 00 7F 00 02 00 01 1E 54 "
                                "1E 28 00 7F 00 02 00 02 1E 57 ")
        << "then the rest of the read, then what came meanwhile";
    b.tick();
    EXPECT_EQ(b.boxes.back().text, "ERROR01: Fail to communicate with AUXPAD board! Reset the phone! or Write or Flash "
                                   "again! ")
        << "the job goes on where it stood";
}

} // namespace
