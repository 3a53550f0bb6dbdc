#include <gtest/gtest.h>

#include "board/jobs.h"
#include "bootload/flash_start.h"
#include "tests/fakes/fakes.h"
#include "tests/unit/board_line.h"
#include "tests/unit/boot_board.h"

using namespace auxpad;
using fakes::boardMessage;
using fakes::Box;
using platform::Icon;

namespace {

const auto kPassed = boardMessage(0x6F, {1, 5, 3, 3, 3, 3, 3});

std::vector<std::uint8_t> prodInfoAnswer(std::uint8_t status)
{
    std::vector<std::uint8_t> params = {status};
    for (const std::string f : {"0102", "MCU01.02.03", "DSP04.05.06", "SN0000001", "CODE001", "0603", "15"}) {
        params.push_back(static_cast<std::uint8_t>(f.size()));
        params.insert(params.end(), f.begin(), f.end());
    }
    return boardMessage(0x70, params, 0x41);
}

struct FlashJob : ::testing::Test {
    fakes::Bench b;
    BoardLine line{b};
    std::vector<std::uint8_t> diskBytes;
    std::vector<std::uint8_t> dataBytes;

    void SetUp() override
    {
        b.files.files["/station/flash.ini"] = "COMport=\"1\"\r\nFormat=\"30\"\r\nHardware=\"9999\"\r\n";
        b.files.files["disk.txt"] = downloadFile(24, 32, &diskBytes);
        b.files.files["data.txt"] = downloadFile(36, 32, &dataBytes);
        b.main.selected[0] = "disk.txt";
        b.main.selected[1] = "data.txt";
        line.answers[0x47] = kPassed;
        line.answers[0x48] = prodInfoAnswer(1);
    }
    void click()
    {
        BOOTLOAD_DSP_Click(b.st);
        line.pass();
    }
};

TEST_F(FlashJob, WholeJobFromClickToSuccess)
{
    click();
    EXPECT_EQ(b.st.JOB_MODE, 2) << "the self-test answer moved the job on";
    line.run(1);
    EXPECT_EQ(b.main.disp1Text.substr(0, 36), "Reading AUXPAD board Product info...");
    EXPECT_EQ(b.main.texts[1], "MCU01.02.03");
    EXPECT_EQ(b.st.JOB_MODE, 3);
    line.run(1);
    EXPECT_EQ(b.st.JOB_MODE, 4);
    EXPECT_EQ(b.main.texts[0], "0102") << "the defaults were not loaded";

    BootBoard boot(b);
    line.run(1); // InitDisk, inside this tick
    EXPECT_EQ(boot.image, diskBytes);
    EXPECT_EQ(b.main.disp1Text, "\nFormat AUXPAD in progress...\nPlease wait for AUXPAD getting ready!");
    EXPECT_EQ(b.st.JOB_MODE, 5);
    EXPECT_EQ(b.st.FORMAT_WAIT_TIME, 30000);
    const std::int32_t formatStart = b.st.FORMAT_START;

    line.run(30); // 15 s
    EXPECT_EQ(b.main.disp1Text, "Format AUXPAD in progress...");
    EXPECT_NEAR(b.main.prgValue, 50, 0.5);
    b.clock.now = formatStart + 30000 - 500;
    line.run(1);
    EXPECT_EQ(b.st.JOB_MODE, 5) << "exactly 30000 ms is not more than the wait";
    EXPECT_EQ(boot.image.size(), diskBytes.size());
    line.run(1);
    std::vector<std::uint8_t> both = diskBytes;
    both.insert(both.end(), dataBytes.begin(), dataBytes.end());
    EXPECT_EQ(boot.image, both);
    EXPECT_EQ(b.main.disp1Text, "Flash AUXPAD Successfully!\nPlease Reset the phone!");
    EXPECT_EQ(b.st.JOB_MODE, 0);
    EXPECT_TRUE(b.dialogs.boxes.empty());
}

TEST_F(FlashJob, FailedInitDataEndsWithItsCaption)
{
    click();
    line.run(2);
    BootBoard boot(b);
    boot.silentBlocks = {5};
    line.run(1);
    b.clock.now = b.st.FORMAT_START + 30000;
    line.run(1);
    EXPECT_EQ(b.main.disp1Text, "Flash AUXPAD Fail!\nPlease Reset the phone and Flash again!");
    EXPECT_EQ(b.st.JOB_MODE, 0);
}

TEST_F(FlashJob, FailedInitDiskEndsBeforeTheFormatWait)
{
    click();
    line.run(2);
    BootBoard boot(b);
    boot.silentBlocks = {1};
    line.run(1);
    EXPECT_EQ(b.main.disp1Text, "\n Flash AUXPAD Fail\nPlease Flash Again or reset the phone!");
    EXPECT_EQ(b.st.JOB_MODE, 0);
    EXPECT_FALSE(b.main.prgVisible);
}

TEST_F(FlashJob, SilentBoardWithoutPowerUpGivesError01WithTheCableText)
{
    line.answers.clear();
    click();
    std::vector<float> bar;
    for (int i = 0; i < 19; ++i) {
        line.run(1);
        bar.push_back(b.main.prgValue);
    }
    EXPECT_EQ(bar.front(), 5);
    EXPECT_EQ(bar.back(), 95);
    EXPECT_TRUE(b.dialogs.boxes.empty());
    line.run(1);
    const std::string error01 = "ERROR01: Fail to communicate with AUXPAD board! Reset the phone! or Check the cable "
                                "connection! or Check the AUXPAD Board !";
    EXPECT_EQ(b.dialogs.boxes, (std::vector<Box>{{error01, Icon::Critical}}));
    EXPECT_EQ(b.main.disp1Text, error01);
    EXPECT_EQ(b.st.JOB_MODE, 0);
    EXPECT_FALSE(b.main.prgVisible);
}

TEST_F(FlashJob, AnUnconsumedPowerUpStandsInForTheSelfTestOnce)
{
    line.answers.clear();
    b.receive(boardMessage(0x06, {}));
    for (const bool expectGoOn : {true, false}) {
        click();
        line.run(20);
        EXPECT_EQ(b.st.JOB_MODE, expectGoOn ? 2 : 0);
        EXPECT_EQ(b.dialogs.boxes.size(), expectGoOn ? 0u : 1u);
        b.st.JOB_MODE = 0;
    }
}

TEST_F(FlashJob, UnansweredReadLoadsTheDefaultsAfterTenTicks)
{
    line.answers.erase(0x48);
    click();
    line.run(10);
    EXPECT_EQ(b.st.JOB_MODE, 3);
    EXPECT_EQ(b.main.texts[0], "1234");
    line.run(1);
    EXPECT_EQ(b.st.JOB_MODE, 4);
    EXPECT_EQ(b.main.texts[0], "9999");
}

TEST_F(FlashJob, RefusedReadKeepsTheBoxesAndSkipsTheDefaults)
{
    line.answers[0x48] = prodInfoAnswer(0);
    click();
    line.run(2);
    EXPECT_EQ(b.st.JOB_MODE, 4);
    EXPECT_EQ(b.main.texts[0], "1234");
}

TEST_F(FlashJob, FlashButtonReplacesAJobUnderWay)
{
    line.answers.clear();
    Prod_info_Click(b.st);
    line.run(3);
    click();
    EXPECT_EQ(b.st.JOB_MODE, 1);
    EXPECT_EQ(b.st.TICKS_LEFT, 20);

    b.st.JOB_MODE = 5;
    click();
    EXPECT_EQ(b.st.JOB_MODE, 1);
}

TEST_F(FlashJob, ClickChecksSelectionsAndLineCounts)
{
    b.main.selected[0] = b.main.selected[1] = "";
    BOOTLOAD_DSP_Click(b.st);
    EXPECT_EQ(b.main.captions.front(), "Flash Starting...");
    EXPECT_EQ(b.dialogs.boxes, (std::vector<Box>{{"Please select an InitDisk file! ", Icon::Critical}}));
    EXPECT_EQ(b.main.disp1Text, "Please select an InitDisk file! ");

    b.dialogs.boxes.clear();
    b.main.selected[0] = "disk.txt";
    BOOTLOAD_DSP_Click(b.st);
    EXPECT_EQ(b.dialogs.boxes, (std::vector<Box>{{"Please select an InitData file! ", Icon::Critical}}));

    b.dialogs.boxes.clear();
    b.files.files["601.txt"] = downloadFile(601);
    b.files.files["600.txt"] = downloadFile(600);
    b.main.selected[0] = "601.txt";
    b.main.selected[1] = "600.txt";
    BOOTLOAD_DSP_Click(b.st);
    EXPECT_EQ(b.dialogs.boxes, (std::vector<Box>{{"Wrong Initdisk and Initdata file!", Icon::None}}));
    EXPECT_EQ(b.main.disp1Text, "Wrong Initdisk and Initdata file!");
    EXPECT_EQ(b.main.repaints, (std::vector<std::string>{"Checking File:601.txt", "Checking file:600.txt"}));
    EXPECT_EQ(b.st.DISK_LINES, 601);
    EXPECT_EQ(b.st.DATA_LINES, 600);
    EXPECT_EQ(b.st.TX_QUEUE_IN, 0) << "nothing sent";
    EXPECT_FALSE(b.main.prgVisible);

    b.main.selected[0] = "600.txt";
    BOOTLOAD_DSP_Click(b.st);
    EXPECT_EQ(b.st.JOB_MODE, 1);
    EXPECT_EQ(b.main.disp1Text, "Testing AUXPAD board...");
}

TEST_F(FlashJob, ClickCountsLinesByCrOnlyAndNamesAFileThatIsGone)
{
    b.files.files["lf.txt"] = "01 02\n03 04\n05 06\n";
    b.files.files["empty.txt"] = "";
    b.main.selected[0] = "empty.txt";
    b.main.selected[1] = "lf.txt";
    BOOTLOAD_DSP_Click(b.st);
    EXPECT_EQ(b.st.DISK_LINES, 0);
    EXPECT_EQ(b.st.DATA_LINES, 1);
    EXPECT_EQ(b.st.JOB_MODE, 1) << "0 lines against 1 passes";

    b.st.JOB_MODE = 0;
    b.main.selected[1] = "gone.txt";
    BOOTLOAD_DSP_Click(b.st);
    EXPECT_EQ(b.main.disp1Text, "Cannot read gone.txt: No such file or directory");
    EXPECT_EQ(b.st.JOB_MODE, 0);
}

} // namespace
