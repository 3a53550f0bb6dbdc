#include <gtest/gtest.h>

#include "bootload/boot_block.h"
#include "bootload/downloads.h"
#include "tests/fakes/fakes.h"
#include "tests/unit/boot_board.h"

using namespace auxpad;
using fakes::Box;
using fakes::hexOf;
using platform::Icon;

namespace {

const Box kError06{"ERROR06: Wrong File format! ", Icon::Critical};

TEST(BootBlock, TwoValuesGoOutFramedAndTheAckIsTaken)
{
    fakes::Bench b;
    BootBoard board(b);
    EXPECT_TRUE(SEND_BOOT_BLOCK(b.st, " 01 02"));
    ASSERT_EQ(board.blocks.size(), 1u);
    EXPECT_EQ(hexOf(board.blocks[0]), "80 12 00 02 01 02 81 12");
    EXPECT_TRUE(b.port.incoming.empty()) << "the acknowledgement was consumed";
}

TEST(BootBlock, EmptyBlocksCountAsDeliveredWithoutSending)
{
    fakes::Bench b;
    BootBoard board(b);
    EXPECT_TRUE(SEND_BOOT_BLOCK(b.st, ""));
    EXPECT_TRUE(SEND_BOOT_BLOCK(b.st, "      "));
    EXPECT_EQ(b.port.flushes, 0);
}

TEST(BootBlock, FormatErrorsSendNothing)
{
    struct Case {
        std::string text;
        std::string disp1;
    };
    std::string tooLong;
    for (int i = 0; i < 196; ++i)
        tooLong += " 5A";
    const Case cases[] = {
        {" 01 02 03", "before"},    // odd
        {" 01\t02", "Data Error"},  // tab
        {" 0x 02", "Data Error"},   // letter after f
        {tooLong, "before"},        // 196 bytes do not fit a block
    };
    for (const Case& c : cases) {
        fakes::Bench b;
        BootBoard board(b);
        b.main.disp1Text = "before";
        EXPECT_FALSE(SEND_BOOT_BLOCK(b.st, c.text));
        EXPECT_EQ(b.dialogs.boxes, std::vector<Box>{kError06});
        EXPECT_EQ(b.main.disp1Text, c.disp1);
        EXPECT_TRUE(board.blocks.empty());
    }
}

TEST(BootBlock, LargestBlockFitsTheBuffer)
{
    fakes::Bench b;
    BootBoard board(b);
    std::string text;
    for (int i = 0; i < 194; ++i)
        text += " FF";
    EXPECT_TRUE(SEND_BOOT_BLOCK(b.st, text));
    EXPECT_EQ(board.blocks[0].size(), 200u);
    EXPECT_EQ(board.blocks[0][3], 194);
}

TEST(BootAck, AnswerIsFoundAnywhereInWhatArrives)
{
    fakes::Bench b;
    b.port.arriveAfter(10, {0x55, 0x90, 0x12});
    EXPECT_TRUE(WAIT_BOOT_ACK(b.st));
    EXPECT_TRUE(b.port.incoming.empty()) << "bytes after the 0x90 are dropped";
}

TEST(BootAck, GivesUpOnlyWhenMoreThan5000msHavePassed)
{
    {
        fakes::Bench b;
        b.port.arriveAfter(100, {0x91});
        const std::int32_t t0 = b.clock.now;
        EXPECT_FALSE(WAIT_BOOT_ACK(b.st));
        EXPECT_GT(b.clock.now - t0, 5000);
        EXPECT_LE(b.clock.now - t0, 5002);
    }
    {
        fakes::Bench b;
        b.port.arriveAfter(4900, {0x90});
        EXPECT_TRUE(WAIT_BOOT_ACK(b.st));
    }
    {
        fakes::Bench b;
        b.port.arriveAfter(5100, {0x90});
        EXPECT_FALSE(WAIT_BOOT_ACK(b.st));
    }
    {
        fakes::Bench b; // the counter wraps during the wait
        b.clock.now = 0x7FFFFFFF - 1000;
        b.port.arriveAfter(3000, {0x90});
        EXPECT_TRUE(WAIT_BOOT_ACK(b.st));
    }
}

TEST(ProgressText, BothDownloadsShowPercentFileAndElapsedTime)
{
    const ProgressStyle disk{"Downloading ", "%", false};
    const ProgressStyle data{"Downloading ", "% of file", true};
    EXPECT_EQ(progressText(disk, 42.3f, "initdisk.txt", 83456),
              "Downloading 42%\ninitdisk.txt\nElapsed Time: 01Min23Sec");
    EXPECT_EQ(progressText(data, 42.3f, "initdata.txt", 83456),
              "Downloading 42% of file\ninitdata.txt\nElapsed Time: 01:Min23Sec");
    EXPECT_EQ(progressText({"Downloading", "%", false}, 92.3f, "f", 0), "Downloading92%\nf\nElapsed Time: 00Min00Sec");
    EXPECT_EQ(progressText(disk, 5.0f, "f", 59500), "Downloading 05%\nf\nElapsed Time: 00Min60Sec");
    EXPECT_EQ(progressText(disk, 99.8f, "f", 59499), "Downloading 100%\nf\nElapsed Time: 00Min59Sec");
    EXPECT_EQ(progressText(disk, 100.0f, "f", 3600000 + 125000), "Downloading 100%\nf\nElapsed Time: 02Min05Sec")
        << "hours are dropped";
}

} // namespace
