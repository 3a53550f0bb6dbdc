// The flash job from the click to its result, against the simulated board.
#include <gtest/gtest.h>

#include "tests/support/engine_rig.h"

using namespace auxpad;

namespace {

const char kNoFlashAnswer[] = "ERROR01: Fail to communicate with AUXPAD board! Reset the phone! or Check the cable "
                         "connection! or Check the AUXPAD Board !";

struct FlashJob : ::testing::Test {
    explicit FlashJob(auxsim::EngineConfig config = {}) : b(config) {}
    EngineRig b;
    Bytes disk, data;
    std::string diskSha, dataSha; // of the files as SetUp wrote them: the approved ones

    void SetUp() override
    {
        b.files.files["/station/flash.ini"] = "COMport=\"1\"\r\nFormat=\"30\"\r\nHardware=\"9999\"\r\n";
        b.files.files["/station/disk.txt"] = downloadText(24, 32, &disk, 1);
        b.files.files["/station/data.txt"] = downloadText(36, 32, &data, 2);
        diskSha = examineFile(b.files, "/station/disk.txt")->digest.sha256;
        dataSha = examineFile(b.files, "/station/data.txt")->digest.sha256;
    }
    void toFormatWait()
    {
        b.flash();
        b.tick(3);
        ASSERT_EQ(b.engine.jobMode(), JobMode::FlashFormatWait);
    }
};

TEST_F(FlashJob, RunsFromTheClickToSuccess)
{
    b.flash();
    EXPECT_EQ(b.captions, (std::vector<std::string>{"Flash Starting...", "Checking File:disk.txt", "Checking file:data.txt",
                                                   "Testing AUXPAD board...", "AUXPAD board is Ready!"}));
    EXPECT_EQ(b.engine.jobMode(), JobMode::FlashReadInfo) << "the self-test answer moved the job on";
    b.tick();
    EXPECT_EQ(b.caption(), "Reading AUXPAD board Product info...");
    EXPECT_EQ(b.engine.productFields()[1], "MCU01.02.03");
    EXPECT_FALSE(b.bar().visible) << "the answer ends the wait, and its bar with it";
    b.tick();
    EXPECT_EQ(b.engine.jobMode(), JobMode::FlashInitDisk);
    EXPECT_EQ(b.engine.productFields()[0], "0102") << "the defaults were not loaded";

    b.tick(); // the InitDisk download
    EXPECT_EQ(b.image, disk);
    EXPECT_EQ(b.caption(), "\nFormat AUXPAD in progress...\nPlease wait for AUXPAD getting ready!");
    const Millis formatStart = b.now;
    b.tick(30); // 15 s
    EXPECT_EQ(b.caption(), "Format AUXPAD in progress...");
    EXPECT_FLOAT_EQ(b.bar().value, 50); // 15 s of 30
    b.runUntil([&] { return b.engine.jobMode() == JobMode::Idle; }, 40000);
    EXPECT_GT(b.now - formatStart, 30000) << "the first tick after the format time";
    EXPECT_LE(b.now - formatStart, 30500);
    Bytes both = disk;
    both.insert(both.end(), data.begin(), data.end());
    EXPECT_EQ(b.image, both);
    EXPECT_EQ(b.caption(), "Flash AUXPAD Successfully!\nPlease Reset the phone!");
    EXPECT_FALSE(b.bar().visible);
    EXPECT_TRUE(b.boxes.empty());
    EXPECT_EQ(b.outcomes, std::vector{JobOutcome::Passed});

    // What the fronts and the records learn of the job, from its summary alone.
    const JobSummary& done = b.ended.back();
    EXPECT_EQ(done.kind, JobKind::Flash);
    EXPECT_EQ(done.caption, b.caption());
    EXPECT_EQ(done.fieldsFrom, FieldSource::Board);
    EXPECT_EQ(done.serial, "SN0000001");
    EXPECT_EQ(done.fields[at(ProductField::Mcusw)], "MCU01.02.03");
    ASSERT_TRUE(done.initDisk && done.initData);
    EXPECT_EQ(done.initDisk->path, "/station/disk.txt");
    EXPECT_EQ(done.initDisk->blocks, 4);
    EXPECT_EQ(done.initData->blocks, 6);
    EXPECT_EQ(done.initDisk->digest.size, static_cast<long long>(b.files.files["/station/disk.txt"].size()));
    EXPECT_EQ(done.initData->digest.sha256.size(), 64u);
    EXPECT_NE(done.initData->digest.sha256, done.initDisk->digest.sha256);
    EXPECT_EQ(done.formatWait, 30000);
    EXPECT_NEAR(done.seconds, b.now / 1000.0, 0.5);
}

TEST_F(FlashJob, AReleaseWhenNoJobIsPausedChangesNothing)
{
    b.engine.release(b.now);
    b.settle();
    EXPECT_TRUE(b.written.empty()) << "no job at all";
    b.flash(); // not asked to pause
    ASSERT_EQ(b.engine.jobMode(), JobMode::FlashReadInfo);
    b.engine.release(b.now);
    b.tick();
    EXPECT_EQ(b.caption(), "Reading AUXPAD board Product info...") << "the board is read before any download";
    EXPECT_TRUE(b.image.empty());
}

TEST_F(FlashJob, AFlashIniGoneBeforeTheFormatWaitStopsTheStationAndFailsTheJob)
{
    b.flash();
    b.files.files.erase("/station/flash.ini");
    b.tick(3);
    EXPECT_EQ(b.fault, "Cannot read /station/flash.ini: No such file or directory");
    EXPECT_EQ(b.outcomes, std::vector{JobOutcome::Failed});
    EXPECT_EQ(failureInBrief(b.ended.back().step, b.ended.back().cause), "format: station stopped");
    b.written.clear();
    b.tick(80);
    EXPECT_TRUE(b.written.empty()) << "a stopped station sends nothing more";
}

TEST_F(FlashJob, StartsOnlyWithBothFilesPickedReadableAndInOrder)
{
    b.flash("", "");
    EXPECT_EQ(b.boxes.back().text, "Please select an InitDisk file! ");
    EXPECT_EQ(b.boxes.back().icon, Icon::Critical);
    EXPECT_EQ(b.caption(), "Please select an InitDisk file! ");
    b.flash("/station/disk.txt", "");
    EXPECT_EQ(b.boxes.back().text, "Please select an InitData file! ");

    b.flash("/station/gone.txt", "/station/data.txt");
    EXPECT_EQ(b.caption(), "Cannot read gone.txt: No such file or directory");

    b.files.files["/station/long.txt"] = downloadText(37);
    b.flash("/station/long.txt", "/station/data.txt");
    EXPECT_EQ(b.boxes.back().text, "Wrong Initdisk and Initdata file!");
    EXPECT_EQ(b.boxes.back().icon, Icon::None);
    EXPECT_EQ(b.caption(), "Wrong Initdisk and Initdata file!");
    EXPECT_TRUE(b.written.empty()) << "nothing was sent to the board";

    b.flash("/station/data.txt", "/station/data.txt");
    EXPECT_EQ(b.engine.jobMode(), JobMode::FlashReadInfo) << "equal line counts pass";
}

TEST_F(FlashJob, SendsOnlyTheApprovedFilesEvenWhenOneIsSwappedAfterTheStart)
{
    b.engine.startFlashJob({"/station/disk.txt", "/station/data.txt", diskSha, std::string(64, '0')}, b.now);
    EXPECT_EQ(b.caption(), "data.txt is not the approved file: its SHA-256 is " + dataSha);
    EXPECT_TRUE(b.written.empty());
    ASSERT_EQ(b.outcomes.size(), 0u) << "refused, not begun";

    b.engine.startFlashJob({"/station/disk.txt", "/station/data.txt", diskSha, dataSha}, b.now);
    b.settle();
    b.files.files["/station/data.txt"] = downloadText(36, 32, nullptr, 9); // swapped before its download
    b.runUntil([&] { return !b.outcomes.empty(); }, 40000);
    EXPECT_EQ(b.outcomes, std::vector{JobOutcome::Failed});
    EXPECT_EQ(b.image, disk) << "InitDisk went; InitData did not";
    EXPECT_EQ(failureInBrief(b.ended.back().step, b.ended.back().cause), "initdata: refused");
    EXPECT_TRUE(b.ended.back().message.starts_with("data.txt is not the approved file: its SHA-256 is "));
}

TEST_F(FlashJob, AnApprovedInitDiskSwappedAfterTheStartIsNotSentEither)
{
    b.engine.startFlashJob({"/station/disk.txt", "/station/data.txt", diskSha, dataSha}, b.now);
    b.settle();
    b.files.files["/station/disk.txt"] = downloadText(24, 32, nullptr, 9);
    b.runUntil([&] { return !b.outcomes.empty(); }, 40000);
    EXPECT_EQ(b.outcomes, std::vector{JobOutcome::Failed});
    EXPECT_TRUE(b.image.empty()) << "not a byte of it";
    EXPECT_EQ(failureInBrief(b.ended.back().step, b.ended.back().cause), "initdisk: refused");
}

struct SilentBoard : FlashJob {
    SilentBoard() : FlashJob([] { auxsim::EngineConfig c; c.silent = true; return c; }()) {}
    // The bar over the nineteen ticks before the last, from 5 % to 95 %.
    void expectTwentyTickCountdown()
    {
        std::vector<int> bar;
        for (int i = 0; i < 19; ++i) {
            b.tick();
            bar.push_back(static_cast<int>(b.bar().value));
        }
        EXPECT_EQ(bar.front(), 5);
        EXPECT_EQ(bar.back(), 95);
    }
};

// The self-test job, its request sent at once, waits the same twenty ticks and shows them
// on the bar; then it points at the cable.
TEST_F(SilentBoard, UnderTheSelfTestJobCountsTwentyTicksOnTheBarThenFails)
{
    b.engine.startSelfTestJob(0);
    b.settle();
    EXPECT_EQ(requestsIn(b.written).size(), 1u) << "not at the next tick";
    expectTwentyTickCountdown();
    EXPECT_TRUE(b.outcomes.empty());
    b.tick();
    EXPECT_EQ(b.outcomes, std::vector{JobOutcome::Failed});
    EXPECT_EQ(b.boxes.back().text, kNoFlashAnswer);
    EXPECT_FALSE(b.bar().visible);
    EXPECT_EQ(failureInBrief(b.ended.back().step, b.ended.back().cause), "self-test: no answer");
}

TEST_F(SilentBoard, IsReportedAfterTwentyTicksUnlessItPoweredUpSinceTheLastTime)
{
    b.flash();
    expectTwentyTickCountdown();
    EXPECT_TRUE(b.boxes.empty());
    b.tick();
    ASSERT_EQ(b.boxes.size(), 1u);
    EXPECT_EQ(b.boxes[0].text, kNoFlashAnswer);
    EXPECT_EQ(b.boxes[0].icon, Icon::Critical);
    EXPECT_EQ(b.caption(), kNoFlashAnswer);
    EXPECT_EQ(b.engine.jobMode(), JobMode::Idle);
    EXPECT_FALSE(b.bar().visible);
    EXPECT_EQ(b.outcomes, std::vector{JobOutcome::Failed});

    // A power-up since the last time (even before the job) counts as an answer, once;
    // the product information then does not come, and the defaults stand in.
    b.fromBoard(boardMessage(0x06, {}));
    b.flash();
    b.tick(21);
    EXPECT_EQ(b.engine.jobMode(), JobMode::FlashAwaitInfo);
    b.tick(10);
    EXPECT_EQ(b.engine.productFields()[0], "9999");
    EXPECT_EQ(b.engine.jobMode(), JobMode::FlashInitDisk);
    b.flash();
    EXPECT_EQ(b.ended.back().fieldsFrom, FieldSource::Defaults);
    EXPECT_EQ(b.ended.back().serial, "") << "the defaults' serial is not the board's";
    b.tick(20);
    EXPECT_EQ(b.boxes.back().text, kNoFlashAnswer);
}

struct BoardWithoutProductInfo : FlashJob {
    BoardWithoutProductInfo() : FlashJob([] { auxsim::EngineConfig c; c.board.prodInfoStatus = 0; return c; }()) {}
};

TEST_F(BoardWithoutProductInfo, LeavesTheBoxesAndGoesOnWithoutTheDefaults)
{
    b.flash();
    b.tick(2);
    EXPECT_EQ(b.engine.productFields()[0], "1234");
    EXPECT_EQ(b.engine.jobMode(), JobMode::FlashInitDisk);
}

struct BoardThatStopsAnswering : FlashJob {
    BoardThatStopsAnswering() : FlashJob([] { auxsim::EngineConfig c; c.bootNoAckAfter = 5; return c; }()) {}
};

TEST_F(BoardThatStopsAnswering, FailsInitDataWithItsOwnCaptionEvenOnTheLastBlock)
{
    // InitDisk's one block and all but the last of InitData's five: the bar is full when
    // the last one goes, so only its missing acknowledgement tells.
    b.files.files["/station/disk.txt"] = downloadText(6);
    b.files.files["/station/data.txt"] = downloadText(30);
    toFormatWait();
    b.runUntil([&] { return b.engine.jobMode() == JobMode::Idle; }, 40000);
    EXPECT_EQ(b.boxes.back().text, "ERROR07: FLASH AUXPAD_DSP failure! ");
    EXPECT_EQ(b.caption(), "Flash AUXPAD Fail!\nPlease Reset the phone and Flash again!");
    EXPECT_EQ(b.outcomes, std::vector{JobOutcome::Failed});
    EXPECT_EQ(failureInBrief(b.ended.back().step, b.ended.back().cause), "initdata: not acknowledged");
}

TEST_F(FlashJob, StepThreeMeanwhileIsRefusedAndStepTwoStartsAgain)
{
    toFormatWait();
    b.writeInfo(b.engine.productFields());
    EXPECT_EQ(b.caption(), "AUXPAD is not ready!");
    EXPECT_EQ(b.engine.jobMode(), JobMode::FlashFormatWait);
    b.flash();
    EXPECT_EQ(b.engine.jobMode(), JobMode::FlashReadInfo) << "the job starts again from the self-test";
    EXPECT_EQ(b.outcomes, std::vector{JobOutcome::Interrupted});
    EXPECT_EQ(failureInBrief(b.ended.back().step, b.ended.back().cause), "format: stopped");
}

} // namespace
