// The downloads through the bootloader, the test playing the board: blocks of six
// lines, each awaited for 5 s, progress before each, and the rules for the end.
#include <gtest/gtest.h>

#include "bootload/progress_text.h"
#include "tests/support/engine_rig.h"

using namespace auxpad;

namespace {

struct Download : ::testing::Test {
    EngineRig b{std::nullopt};

    void SetUp() override
    {
        b.files.files["/station/flash.ini"] = "Format=\"20\"\r\n";
        b.files.files["/station/data.txt"] = downloadText(60);
    }
    // Through the self-test and the product-information read, to the tick that starts
    // the InitDisk download, and that tick; what is written since is the first block.
    void startInitDisk(const std::string& disk, bool goneSinceClick = false)
    {
        b.files.files["/station/disk.txt"] = disk;
        b.flash();
        if (goneSinceClick)
            b.files.files.erase("/station/disk.txt");
        b.fromBoard(boardMessage(0x6F, {1, 5, 3, 3, 3, 3, 3}));
        b.tick();
        b.fromBoard(boardMessage(0x70, {0}));
        b.tick();
        b.written.clear();
        b.tick();
    }
    std::string block()
    {
        const std::string out = hexOf(b.written);
        b.written.clear();
        return out;
    }
    void ack(Millis after = 0, Bytes reply = {kBootAckByte})
    {
        b.now += after;
        b.fromBoard(reply);
    }
    static constexpr std::uint8_t kBootAckByte = 0x90;
};

TEST_F(Download, BlocksOfSixLinesGoOutOneAtATimeWithTheProgressBeforeEach)
{
    startInitDisk("01 02\r\n\r\n\r\n\r\n\r\n\r\n" + downloadText(6));
    EXPECT_EQ(block(), "80 12 00 02 01 02 81 12 ");
    EXPECT_EQ(b.caption(), "Downloading 50%\ndisk.txt\nElapsed Time: 00Min00Sec");
    ack(1234);
    EXPECT_EQ(block().substr(0, 12), "80 12 00 C0 ") << "six lines of 32 bytes";
    EXPECT_EQ(b.caption(), "Downloading 100%\ndisk.txt\nElapsed Time: 00Min01Sec");
    EXPECT_EQ(b.bar().value, 100);
    ack();
    EXPECT_EQ(b.captions[b.captions.size() - 2], "Downloading 100%\ndisk.txt\nElapsed Time: 00Min01Sec\nEnd");
    EXPECT_EQ(b.engine.jobMode(), JobMode::FlashFormatWait);
    EXPECT_TRUE(b.boxes.empty());
}

TEST_F(Download, ALastPartialBlockGoesAtTheBarOfTheLastFullOneWhichThenFallsShort)
{
    startInitDisk(downloadText(13, 2));
    block();
    ack();
    EXPECT_EQ(b.caption(), "Downloading 92%\ndisk.txt\nElapsed Time: 00Min00Sec");
    block();
    ack();
    EXPECT_EQ(block().substr(0, 12), "80 12 00 02 ") << "the 13th line alone";
    EXPECT_EQ(b.caption(), "Downloading92%\ndisk.txt\nElapsed Time: 00Min00Sec");
    ack();
    EXPECT_EQ(b.caption(), "\n Flash AUXPAD Fail\nPlease Flash Again or reset the phone!")
        << "every block went, but the bar stopped at 92.3";
}

TEST_F(Download, InitDataIsCountedAfreshAndShowsItsOwnCaption)
{
    b.files.files["/station/data.txt"] = downloadText(7, 2);
    startInitDisk(downloadText(6, 2));
    ack();
    b.files.files["/station/data.txt"] = downloadText(13, 2); // grown since the click
    b.runUntil([&] { return b.engine.downloading(); }, 25000);
    EXPECT_EQ(b.captions[b.captions.size() - 2], "Checking file:data.txt");
    EXPECT_EQ(b.caption(), "Downloading 46% of file\ndata.txt\nElapsed Time: 00:Min00Sec");
    ack(1500);
    EXPECT_EQ(b.caption(), "Downloading 92% of file\ndata.txt\nElapsed Time: 00:Min02Sec");
    ack();
    EXPECT_EQ(b.caption(), "Downloading 92% of file\ndata.txt\nElapsed Time: 00:Min02Sec")
        << "the last, partial block keeps the blank";
    ack();
    EXPECT_EQ(b.caption(), "Flash AUXPAD Fail!\nPlease Reset the phone and Flash again!");
}

TEST_F(Download, ABlockWithAnOddNumberOfBytesStopsTheDownload)
{
    startInitDisk(downloadText(6, 2) + "01\r\n02 03\r\n");
    block();
    ack();
    ASSERT_EQ(b.boxes.size(), 2u);
    EXPECT_EQ(b.boxes[0].text, "ERROR06: Wrong File format! ");
    EXPECT_EQ(b.boxes[0].icon, Icon::Critical);
    EXPECT_EQ(b.boxes[1].text, "ERROR07: FLASH AUXPAD_DSP failure! ");
    EXPECT_EQ(b.captions[b.captions.size() - 2], "Downloading75%\ndisk.txt\nElapsed Time: 00Min00Sec\nError!");
    EXPECT_EQ(block(), "") << "nothing of the bad block was sent";
    EXPECT_EQ(b.engine.jobMode(), JobMode::Idle);
}

TEST_F(Download, ABlockWithSomethingElseThanHexSaysDataError)
{
    startInitDisk(downloadText(6, 2) + "01\t02\r\n");
    block();
    ack();
    ASSERT_EQ(b.boxes.size(), 2u);
    EXPECT_EQ(b.captions[b.captions.size() - 2], "Data Error\nError!");
    EXPECT_EQ(block(), "");
}

TEST_F(Download, EachBlockIsAwaitedForFiveSecondsFromWhenThePortTookIt)
{
    b.drainAtOnce = false;
    startInitDisk(downloadText(30, 2));
    ack(4900); // within the limit
    ack(100, {0x55, 0x90, 0x90}); // the acknowledgement among other bytes; the rest dropped
    b.now += 300;
    b.engine.lineDrained(b.now); // the port took the third block late: the wait starts then
    ack(4950, {0x91});
    ack(0, {0x90});
    EXPECT_TRUE(b.boxes.empty());
    const Millis fourth = b.now;
    block();
    ack(5001, {0x90}); // after the limit: too late
    EXPECT_EQ(b.now - fourth, 5001);
    ASSERT_EQ(b.boxes.size(), 1u);
    EXPECT_EQ(b.boxes[0].text, "ERROR07: FLASH AUXPAD_DSP failure! ");
    EXPECT_EQ(block(), "") << "no fifth block";

    // Without a reply the deadline alone ends it.
    SetUp();
    b.boxes.clear();
    startInitDisk(downloadText(30, 2));
    ASSERT_EQ(b.engine.nextDeadline(), b.now + 5001);
    b.now += 5001;
    b.engine.deadlinePassed(b.now);
    b.settle();
    EXPECT_EQ(b.boxes.size(), 1u);
    EXPECT_EQ(failureInBrief(b.ended.back().step, b.ended.back().cause), "initdisk: not acknowledged");
    EXPECT_FALSE(b.bar().visible);
}

TEST_F(Download, WhileItRunsTheBoardsBytesAreTheBootloadersAndTheOperatorIsNotHeard)
{
    startInitDisk(downloadText(30, 2));
    block();
    b.traffic.clear();
    b.fromBoard(boardMessage(0x06, {})); // not an FBUS message now
    b.tick(2);
    b.engine.startProductJob(b.engine.productFields(), b.now);
    b.engine.sendMessage("47 02", b.now);
    b.flash();
    b.settle();
    EXPECT_EQ(b.traffic, "");
    EXPECT_EQ(block(), "");
    EXPECT_EQ(b.caption(), "Downloading 20%\ndisk.txt\nElapsed Time: 00Min00Sec");
    ack();
    EXPECT_EQ(b.caption(), "Downloading 40%\ndisk.txt\nElapsed Time: 00Min01Sec") << "the download went on";
}

TEST_F(Download, AnEmptyFileSendsNothingAndFails)
{
    b.files.files["/station/data.txt"] = "";
    startInitDisk("");
    EXPECT_EQ(block(), "");
    EXPECT_EQ(b.captions[b.captions.size() - 2], "Reading AUXPAD board Product info...\nEnd");
    EXPECT_EQ(b.caption(), "\n Flash AUXPAD Fail\nPlease Flash Again or reset the phone!") << "the bar stayed at 0";
}

TEST_F(Download, AFileGoneSinceTheClickIsNamed)
{
    startInitDisk(downloadText(6), true);
    ASSERT_EQ(b.boxes.size(), 1u);
    EXPECT_EQ(b.boxes[0].text, "Cannot read disk.txt: No such file or directory");
    EXPECT_EQ(b.caption(), "\n Flash AUXPAD Fail\nPlease Flash Again or reset the phone!");
}

TEST(ProgressText, TellsMinutesAndSecondsWithinTheHour)
{
    const ProgressStyle initDisk{"Downloading ", "%", false};
    EXPECT_EQ(progressText(initDisk, 42.3f, "f.txt", 83456), "Downloading 42%\nf.txt\nElapsed Time: 01Min23Sec");
    EXPECT_EQ(progressText(initDisk, 5, "f", 59500), "Downloading 05%\nf\nElapsed Time: 00Min60Sec");
    EXPECT_EQ(progressText(initDisk, 100, "f", 3600000 + 61000), "Downloading 100%\nf\nElapsed Time: 01Min01Sec");
}

} // namespace
