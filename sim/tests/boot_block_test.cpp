#include "core/boot_block.h"
#include "core/line_receiver.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace auxsim {
namespace {

using testing::bootBlock;
using testing::hx;

TEST(BlockChecker, RejectsBadBlocks)
{
    Bytes badSum = hx("80 12 00 02 01 02 81 12");
    badSum[7] ^= 0x01;
    EXPECT_EQ(checkBlock(badSum).verdict, BlockVerdict::BadChecksum);
    EXPECT_EQ(checkBlock(bootBlock(hx("01 02 03"))).verdict, BlockVerdict::OddLength);
    EXPECT_EQ(checkBlock(bootBlock(Bytes(196, 0))).verdict, BlockVerdict::LengthTooLong);
    EXPECT_EQ(checkBlock(bootBlock({})).verdict, BlockVerdict::ZeroLength);
    Bytes header = bootBlock(hx("01 02"));
    header[1] = 0x13;
    EXPECT_EQ(checkBlock(header).verdict, BlockVerdict::BadHeader);
    Bytes cut = bootBlock(hx("01 02"));
    cut.pop_back();
    EXPECT_EQ(checkBlock(cut).verdict, BlockVerdict::WrongSize);
}

struct Fed {
    std::vector<RxEvent> events;
};

Fed feedAll(LineReceiver &rx, const Bytes &bytes, TimeUs at = 0)
{
    Fed fed;
    for (std::uint8_t b : bytes) {
        for (RxEvent &e : rx.feed(b, at))
            fed.events.push_back(std::move(e));
    }
    return fed;
}

std::vector<RxEvent::Kind> kinds(const Fed &fed)
{
    std::vector<RxEvent::Kind> k;
    for (const RxEvent &e : fed.events)
        k.push_back(e.kind);
    return k;
}

using K = RxEvent::Kind;

TEST(LineReceiver, AHeaderBreakingByteIsLookedAtAgain)
{
    LineReceiver rx;
    // A stray 80 in front of a frame, and a stray 1E in front of a block.
    Bytes stream = hx("80 1E 28 00 7F 00 02 00 00 1E 55 1E 80 12 00 02 01 02 81 12");
    const Fed fed = feedAll(rx, stream);
    ASSERT_EQ(kinds(fed), (std::vector<K>{K::BadBlock, K::Frame, K::BadFrame, K::Block}));
    EXPECT_EQ(fed.events[0].problem, "bad header");
    EXPECT_EQ(fed.events[2].problem, "wrong receiver address");
}

TEST(LineReceiver, DropsAHalfUnitAfterOneSecondOfSilence)
{
    LineReceiver rx;
    const TimeUs t0 = 5 * kUsPerMs;
    EXPECT_TRUE(feedAll(rx, hx("1E 28 00 00"), t0).events.empty());
    EXPECT_EQ(rx.deadline(), t0 + LineReceiver::kSilenceLimit);
    EXPECT_FALSE(rx.expire(t0 + LineReceiver::kSilenceLimit - 1));
    const auto dropped = rx.expire(t0 + LineReceiver::kSilenceLimit);
    ASSERT_TRUE(dropped);
    EXPECT_EQ(dropped->kind, K::BadFrame);
    EXPECT_EQ(dropped->raw, hx("1E 28 00 00"));
    EXPECT_TRUE(rx.idle());

    feedAll(rx, hx("80 12 00 02 01"), t0);
    const auto halfBlock = rx.expire(t0 + 2 * LineReceiver::kSilenceLimit);
    ASSERT_TRUE(halfBlock);
    EXPECT_EQ(halfBlock->kind, K::BadBlock);
    EXPECT_FALSE(rx.deadline());
}

} // namespace
} // namespace auxsim
