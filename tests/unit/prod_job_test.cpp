#include <gtest/gtest.h>

#include "board/jobs.h"
#include "tests/fakes/fakes.h"
#include "tests/unit/board_line.h"

using namespace auxpad;
using fakes::boardMessage;
using fakes::Box;
using fakes::hexOf;
using platform::Icon;

namespace {

const auto kPassed = boardMessage(0x6F, {1, 5, 3, 3, 3, 3, 3});

struct ProdJob : ::testing::Test {
    fakes::Bench b;
    BoardLine line{b};

    void SetUp() override
    {
        const char* values[6] = {"1234", "123456789ab", "123456789ab", "123456789", "1234567", "150603"};
        for (int i = 0; i < 6; ++i)
            b.main.texts[i] = values[i];
        line.answers[0x47] = kPassed;
    }
    void start()
    {
        Prod_info_Click(b.st);
        line.pass();
    }
};

TEST_F(ProdJob, PassingSelfTestWritesTheRecordOneTickLater)
{
    line.answers[0x46] = boardMessage(0x6E, {1}, 0x41);
    Prod_info_Click(b.st);
    EXPECT_EQ(b.main.disp1Text, "Testing AUXPAD board...");
    EXPECT_EQ(b.st.JOB_MODE, 6);
    EXPECT_TRUE(b.main.prgVisible);
    line.pass();
    EXPECT_EQ(b.main.disp1Text, "AUXPAD board is Ready!");
    EXPECT_EQ(line.requests.size(), 1u);

    b.tick();
    EXPECT_EQ(b.st.JOB_MODE, 0) << "idle again as soon as the write is queued";
    EXPECT_EQ(b.main.disp1Text, "Writing AUXPAD product info...");
    EXPECT_TRUE(b.st.PROD_INFO_WRITE_PENDING);
    line.pass();
    ASSERT_EQ(line.requests.size(), 2u);
    const auto& write = line.requests[1];
    EXPECT_EQ(write.size(), 70u);
    EXPECT_EQ(hexOf({write.begin() + 9, write.begin() + 65}),
              "46 04 31 32 33 34 0B 31 32 33 34 35 36 37 38 39 61 62 0B 31 32 33 34 35 36 37 38 39 61 62 "
              "09 31 32 33 34 35 36 37 38 39 07 31 32 33 34 35 36 37 04 30 36 30 33 02 31 35");
    EXPECT_EQ(b.main.disp1Text, "Writing AUXPAD product info...\nAUXPAD Product Info written OK!");
    EXPECT_FALSE(b.st.PROD_INFO_WRITE_PENDING);
    EXPECT_FALSE(b.main.prgVisible);
}

TEST_F(ProdJob, FailingSelfTestOrSilenceEndsWithError01AndNothingWritten)
{
    const std::string error01 = "ERROR01: Fail to communicate with AUXPAD board! Reset the phone! or Write or Flash again! ";
    for (const bool silent : {false, true}) {
        SCOPED_TRACE(silent ? "silent board" : "DSP failure");
        fakes::Bench fresh;
        BoardLine l{fresh};
        if (!silent)
            l.answers[0x47] = boardMessage(0x6F, {1, 5, 0, 3, 3, 3, 3});
        Prod_info_Click(fresh.st);
        l.pass();
        l.run(silent ? 19 : 0);
        EXPECT_EQ(fresh.st.JOB_MODE, 6);
        fresh.dialogs.boxes.clear();
        l.run(1);
        EXPECT_EQ(fresh.dialogs.boxes, (std::vector<Box>{{error01, Icon::Critical}}));
        EXPECT_EQ(fresh.main.disp1Text, error01);
        EXPECT_EQ(fresh.st.JOB_MODE, 0);
        EXPECT_FALSE(fresh.main.prgVisible);
        EXPECT_EQ(l.requests.size(), 1u) << "no write request";
    }
}

TEST_F(ProdJob, BarClimbsFiveAPerTickWhileTheBoardIsSilent)
{
    line.answers.clear();
    start();
    std::vector<float> bar;
    for (int i = 0; i < 19; ++i) {
        line.run(1);
        bar.push_back(b.main.prgValue);
    }
    EXPECT_EQ(bar.front(), 5);
    EXPECT_EQ(bar[9], 50);
    EXPECT_EQ(bar.back(), 95);
}

TEST_F(ProdJob, WriteRefusedByTheBoard)
{
    line.answers[0x46] = boardMessage(0x6E, {0}, 0x41);
    start();
    line.run(1);
    EXPECT_EQ(b.main.disp1Text, "Writing AUXPAD product info...\nProdInfo write FAILED\nPlease Write or Flash Again!");
    EXPECT_TRUE(b.dialogs.boxes.empty());
}

TEST_F(ProdJob, UnansweredWriteFailsAtTheFirstTickPast8050ms)
{
    start();
    b.tick(); // the write is queued at this tick...
    const std::int32_t sentAt = b.clock.now;
    line.pass();
    // ...and the watchdog counts from it: 500 ms a tick, so 16 ticks reach 8000 ms.
    std::vector<float> bar;
    for (int i = 0; i < 16; ++i) {
        line.run(1);
        bar.push_back(b.main.prgValue);
    }
    EXPECT_EQ(bar.front(), 5);
    EXPECT_EQ(bar.back(), 80);
    EXPECT_TRUE(b.st.PROD_INFO_WRITE_PENDING);
    EXPECT_TRUE(b.dialogs.boxes.empty());
    b.clock.now = sentAt + 8050 - 500; // the next tick lands on 8050 ms: 80.5 rounds to 80
    line.run(1);
    EXPECT_TRUE(b.dialogs.boxes.empty());
    b.clock.now = sentAt + 8051 - 500; // 80.51 rounds to 81
    line.run(1);
    EXPECT_EQ(b.dialogs.boxes, (std::vector<Box>{{"ProdInfo written FAILED! Please Write or Flash Again!", Icon::None}}));
    EXPECT_EQ(b.main.disp1Text, "ProdInfo written FAILED\nPlease Write or Flash Again!");
    EXPECT_FALSE(b.st.PROD_INFO_WRITE_PENDING);
    EXPECT_FALSE(b.main.prgVisible);
}

TEST_F(ProdJob, PowerUpDuringTheWriteWaitEndsItSilently)
{
    start();
    line.run(1);
    b.receive(boardMessage(0x06, {}, 0x42));
    line.run(30);
    EXPECT_TRUE(b.dialogs.boxes.empty());
    EXPECT_FALSE(b.st.PROD_INFO_WRITE_PENDING);
}

TEST_F(ProdJob, ButtonWhileBusyOnlySaysNotReady)
{
    start();
    Prod_info_Click(b.st);
    EXPECT_EQ(b.main.disp1Text, "AUXPAD is not ready!");
    EXPECT_EQ(b.st.TX_QUEUE_IN, b.st.TX_QUEUE_OUT) << "no second self-test";
    b.st.JOB_MODE = 3;
    Prod_info_Click(b.st);
    EXPECT_EQ(b.st.JOB_MODE, 3);
}

TEST_F(ProdJob, BoxesAreCheckedInOrderBeforeAnythingIsSent)
{
    struct Case {
        int box;
        std::string value;
        std::vector<Box> boxes;
        std::string caption;
    };
    const Case cases[] = {
        {1, "123", {{"Please Check AUXPAD Hardware Version! ", Icon::None}},
         "Please Check AUXPAD Hardware Version! \nAUXPAD Product Info not written"},
        {6, "123456", {{"ERROR15: Invalid Manufacture DDMMYY! Please Check!", Icon::None}},
         "ERROR15: Invalid Manufacture DDMMYY! \nAUXPAD Product Info not written"},
        {5, "12\xE2\x82\xAC" "4567", {{"Code holds a character that the board cannot store (only Latin-1 characters fit). ", Icon::None}},
         "Code holds a character that the board cannot store (only Latin-1 characters fit). \nAUXPAD Product Info not written"},
    };
    for (const Case& c : cases) {
        fakes::Bench fresh;
        BoardLine l{fresh};
        l.answers[0x47] = kPassed;
        for (int i = 0; i < 6; ++i)
            fresh.main.texts[i] = b.main.texts[i];
        fresh.main.texts[c.box - 1] = c.value;
        fresh.main.texts[3] = c.box == 1 ? "12345678" : fresh.main.texts[3]; // a second fault is not reported
        Prod_info_Click(fresh.st);
        l.pass();
        l.run(3);
        EXPECT_EQ(fresh.dialogs.boxes, c.boxes) << c.value;
        EXPECT_EQ(fresh.main.disp1Text, c.caption);
        EXPECT_EQ(l.requests.size(), 1u) << "only the self-test went out";
    }
}

TEST_F(ProdJob, EachBoxOfTheWrongLengthIsNamedInItsOwnWords)
{
    const char* names[6] = {"Hardware Version! ", "MCUSW Version! ", "DSPSW Version! ",
                            "Serial Number! ",    "Code! ",          "Manufacture DDMMYY! "};
    for (int box = 0; box < 6; ++box) {
        fakes::Bench fresh;
        for (int i = 0; i < 6; ++i)
            fresh.main.texts[i] = b.main.texts[i];
        fresh.main.texts[box] += "x";
        fresh.st.SELF_TEST_REPLY = 7;
        fresh.st.JOB_MODE = 6;
        fresh.tick();
        ASSERT_EQ(fresh.dialogs.boxes.size(), 1u);
        EXPECT_EQ(fresh.dialogs.boxes[0].text, std::string("Please Check AUXPAD ") + names[box]);
    }
}

TEST_F(ProdJob, LettersAndLatin1PunctuationPassTheCheck)
{
    b.main.texts[1] = "V1.2-\xC3\xA9t\xC3\xA9!#X";
    start();
    line.run(2);
    ASSERT_EQ(line.requests.size(), 2u);
    EXPECT_EQ(line.requests[1][9 + 7 + 5], 0xE9);
}

} // namespace
