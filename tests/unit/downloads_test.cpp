#include <gtest/gtest.h>

#include "bootload/downloads.h"
#include "tests/fakes/fakes.h"
#include "tests/unit/boot_board.h"

using namespace auxpad;
using fakes::Box;
using platform::Icon;

namespace {

const Box kError07{"ERROR07: FLASH AUXPAD_DSP failure! ", Icon::Critical};

struct Download : ::testing::Test {
    fakes::Bench b;
    BootBoard board{b};

    void disk(const std::string& content, std::int32_t countedLines)
    {
        b.files.files["initdisk.txt"] = content;
        b.main.selected[0] = "initdisk.txt";
        b.st.DISK_LINES = countedLines;
    }
    void data(const std::string& content)
    {
        b.files.files["initdata.txt"] = content;
        b.main.selected[1] = "initdata.txt";
    }
    // The captions that were on screen when each block went out.
    std::vector<std::string> firstLines() const
    {
        std::vector<std::string> out;
        for (const auto& r : b.main.repaints)
            out.push_back(r.substr(0, r.find('\n')));
        return out;
    }
};

TEST_F(Download, WholeBlocksOnlyEndWithEndAndSuccess)
{
    std::vector<std::uint8_t> bytes;
    disk(downloadFile(12, 32, &bytes), 12);
    INIT_DISK(b.st);
    EXPECT_EQ(board.blocks.size(), 2u);
    EXPECT_EQ(board.image, bytes);
    EXPECT_EQ(firstLines(), (std::vector<std::string>{"Downloading 50%", "Downloading 100%"}));
    EXPECT_EQ(b.main.disp1Text.substr(b.main.disp1Text.size() - 4), "\nEnd");
    EXPECT_TRUE(b.st.FLASH_OK);
    EXPECT_FALSE(b.main.prgVisible);
    EXPECT_EQ(b.main.mousePointer, 99);
    EXPECT_EQ(b.files.openNow, 0);
}

TEST_F(Download, PartialLastBlockLeavesTheBarBelow99AndFails)
{
    disk(downloadFile(13), 13);
    INIT_DISK(b.st);
    EXPECT_EQ(board.blocks.size(), 3u);
    EXPECT_EQ(firstLines(), (std::vector<std::string>{"Downloading 46%", "Downloading 92%"}));
    EXPECT_EQ(b.main.disp1Text.substr(0, 15), "Downloading92%\n") << "the last caption has no blank";
    EXPECT_EQ(b.main.repaints.size(), 2u) << "the last block's caption is not repainted";
    EXPECT_NEAR(b.main.prgValue, 92.3, 0.05);
    EXPECT_FALSE(b.st.FLASH_OK);
}

TEST_F(Download, SixHundredAndOneLinesReach99Point8)
{
    disk(downloadFile(601), 601);
    INIT_DISK(b.st);
    EXPECT_EQ(board.blocks.size(), 101u);
    EXPECT_NEAR(b.main.prgValue, 99.8, 0.05);
    EXPECT_TRUE(b.st.FLASH_OK);
}

TEST_F(Download, EmptyFileSendsNothingAndFails)
{
    disk("", 0);
    b.main.disp1Text = "x";
    INIT_DISK(b.st);
    EXPECT_TRUE(board.blocks.empty());
    EXPECT_EQ(b.main.disp1Text, "x\nEnd");
    EXPECT_FALSE(b.st.FLASH_OK);
}

TEST_F(Download, UnacknowledgedThirdBlockStopsTheDownloadAfterFiveSeconds)
{
    disk(downloadFile(30), 30);
    board.silentBlocks = {3};
    b.dialogs.whileOpen = [&] { EXPECT_GT(b.clock.now, 5000); };
    INIT_DISK(b.st);
    EXPECT_EQ(board.blocks.size(), 3u) << "no fourth block";
    EXPECT_EQ(b.dialogs.boxes, std::vector<Box>{kError07});
    EXPECT_EQ(b.main.disp1Text.substr(b.main.disp1Text.size() - 7), "\nError!");
    EXPECT_FALSE(b.st.FLASH_OK);
    EXPECT_FALSE(b.main.prgVisible);
}

TEST_F(Download, TabInTheSecondBlockReportsBothBoxes)
{
    std::string content = downloadFile(12);
    content.replace(content.find("\r\n", content.size() / 2) - 3, 1, "\t");
    disk(content, 12);
    INIT_DISK(b.st);
    EXPECT_EQ(board.blocks.size(), 1u) << "the first block was sent";
    EXPECT_EQ(b.dialogs.boxes, (std::vector<Box>{{"ERROR06: Wrong File format! ", Icon::Critical}, kError07}));
    EXPECT_EQ(b.main.disp1Text, "Data Error\nError!");
    EXPECT_FALSE(b.st.FLASH_OK);
}

TEST_F(Download, ElapsedTimeShowsTheTimeUpToThePreviousAck)
{
    disk(downloadFile(18), 18);
    board.replyDelayMs = 30000;
    INIT_DISK(b.st);
    ASSERT_EQ(b.main.repaints.size(), 1u);
    EXPECT_NE(b.main.repaints[0].find("Elapsed Time: 00Min00Sec"), std::string::npos);
    EXPECT_FALSE(b.st.FLASH_OK) << "30 s without an answer is past the limit";

    fakes::Bench again;
    BootBoard quick(again);
    quick.replyDelayMs = 1500;
    again.files.files["d"] = downloadFile(18);
    again.main.selected[0] = "d";
    again.st.DISK_LINES = 18;
    INIT_DISK(again.st);
    EXPECT_NE(again.main.repaints[2].find("Elapsed Time: 00Min03Sec"), std::string::npos) << again.main.repaints[2];
}

TEST_F(Download, GrownOrUncountedFileHoldsTheBarAt100)
{
    disk(downloadFile(18), 12);
    INIT_DISK(b.st);
    EXPECT_EQ(b.main.prgHistory.back(), 100);
    EXPECT_TRUE(b.st.FLASH_OK);

    fakes::Bench fresh;
    BootBoard other(fresh);
    fresh.files.files["d"] = downloadFile(6);
    fresh.main.selected[0] = "d";
    fresh.st.DISK_LINES = 0;
    INIT_DISK(fresh.st);
    EXPECT_EQ(fresh.main.prgHistory.back(), 100);
    EXPECT_FALSE(fresh.st.FLASH_OK) << "a file counted empty cannot be known to have gone whole";
}

TEST_F(Download, FileGoneSinceTheClickFailsCleanly)
{
    b.main.selected[0] = "vanished.txt";
    b.st.DISK_LINES = 12;
    b.st.FLASH_OK = true;
    INIT_DISK(b.st);
    ASSERT_EQ(b.dialogs.boxes.size(), 1u);
    EXPECT_EQ(b.dialogs.boxes[0].text, "Cannot read vanished.txt: No such file or directory");
    EXPECT_FALSE(b.st.FLASH_OK);
    EXPECT_FALSE(b.main.prgVisible);
}

TEST_F(Download, InitDataCountsAgainAndRepaintsItsEnd)
{
    data(downloadFile(12));
    b.st.DATA_LINES = 600;
    FLASH_DSP(b.st);
    EXPECT_EQ(b.st.DATA_LINES, 12);
    EXPECT_EQ(firstLines(), (std::vector<std::string>{"Checking file:initdata.txt", "Downloading 50% of file",
                                                      "Downloading 100% of file", "Downloading 100% of file"}));
    EXPECT_EQ(b.main.repaints.back().substr(b.main.repaints.back().size() - 4), "\nEnd");
    EXPECT_NE(b.main.repaints[1].find("Elapsed Time: 00:Min00Sec"), std::string::npos);
    EXPECT_TRUE(b.st.FLASH_OK);
}

TEST_F(Download, InitDataPartialBlockKeepsItsBlank)
{
    data(downloadFile(13));
    FLASH_DSP(b.st);
    EXPECT_EQ(b.main.disp1Text.substr(0, 24), "Downloading 92% of file\n");
    EXPECT_FALSE(b.st.FLASH_OK);
}

TEST_F(Download, InitDataWithoutSelectionOnlyShowsTheBox)
{
    b.main.disp1Text = "Format AUXPAD in progress...";
    b.main.prgVisible = true;
    FLASH_DSP(b.st);
    EXPECT_EQ(b.dialogs.boxes, (std::vector<Box>{{"Please select an InitData file! ", Icon::Critical}}));
    EXPECT_EQ(b.main.disp1Text, "Format AUXPAD in progress...");
    EXPECT_TRUE(b.main.prgVisible);
    EXPECT_EQ(b.main.mousePointer, 0);
    EXPECT_FALSE(b.st.FLASH_OK);
}

} // namespace
