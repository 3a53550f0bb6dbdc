// The product-information job: the self-test, the six fields checked and written, the
// board's answer or the watchdog; and what the self-test answer means to each job.
#include <gtest/gtest.h>

#include "tests/support/engine_rig.h"

using namespace auxpad;

namespace {

const ProductFields kValid = {"1234", "123456789ab", "123456789ab", "123456789", "1234567", "150603"};
const char kNoProductAnswer[] = "ERROR01: Fail to communicate with AUXPAD board! Reset the phone! or Write or Flash again! ";

// The station with the test playing a board that acknowledges what it is sent.
struct Station {
    EngineRig b{std::nullopt};

    // The board acknowledges the request on the line, then says `message`.
    void answer(const Bytes& message)
    {
        Bytes both = boardFrame(kAckType, {0x00, 0x00});
        both.insert(both.end(), message.begin(), message.end());
        b.fromBoard(both);
    }
    void selfTest(Bytes params) { answer(boardMessage(0x6F, params)); }
    // The job with `boxes`, past a board's passed self-test to the tick that writes.
    void write(const ProductFields& boxes)
    {
        b.writeInfo(boxes);
        selfTest({1, 5, 3, 3, 3, 3, 3});
        b.tick();
    }
    Bytes lastRequest() { return requestsIn(b.written).back(); }
    bool wrote() { return lastRequest()[0] == 0x46; }
};

struct ProductJob : ::testing::Test, Station {};

TEST_F(ProductJob, WritesTheSixBoxesAsTheRecordOnceTheBoardHasPassedItsSelfTest)
{
    b.writeInfo(kValid);
    EXPECT_EQ(b.caption(), "Testing AUXPAD board...");
    EXPECT_EQ(hexOf(lastRequest()), "47 02 ");
    selfTest({1, 5, 3, 3, 3, 3, 3});
    b.tick();
    EXPECT_EQ(hexOf(lastRequest()),
              "46 04 31 32 33 34 0B 31 32 33 34 35 36 37 38 39 61 62 0B 31 32 33 34 35 36 37 38 39 61 62 09 31 32 33 "
              "34 35 36 37 38 39 07 31 32 33 34 35 36 37 04 30 36 30 33 02 31 35 ");
    EXPECT_EQ(b.caption(), "Writing AUXPAD product info...");
    EXPECT_EQ(b.engine.jobMode(), JobMode::Idle) << "another write may start before the answer";
    EXPECT_TRUE(b.outcomes.empty()) << "the job ends with the board's answer";
    answer(boardMessage(0x6E, {1}));
    EXPECT_EQ(b.caption(), "Writing AUXPAD product info...\nAUXPAD Product Info written OK!");
    EXPECT_FALSE(b.bar().visible);
    EXPECT_EQ(b.outcomes, std::vector{JobOutcome::Passed});

    write(kValid);
    answer(boardMessage(0x6E, {0}));
    EXPECT_EQ(b.caption(), "Writing AUXPAD product info...\nProdInfo write FAILED\nPlease Write or Flash Again!");
    EXPECT_TRUE(b.boxes.empty());
    EXPECT_EQ(b.outcomes.back(), JobOutcome::Failed);
}

TEST_F(ProductJob, AJobThatTheBoardsAnswerEndsTakesItsTimeFromTheAnswer)
{
    b.now = 1000;
    write(kValid);
    b.now += 1730; // between two ticks
    answer(boardMessage(0x6E, {1}));
    ASSERT_EQ(b.ended.size(), 1u);
    EXPECT_DOUBLE_EQ(b.ended.back().seconds, static_cast<double>(b.now - 1000) / 1000);
}

TEST_F(ProductJob, WhatTheSelfTestAnswerMeansToEachJob)
{
    struct Case {
        Bytes params;          // of the self-test answer
        const char* caption;   // DISP1 after the answer, in the product-information job
        const char* box;       // the box it shows there, if any
        bool writes;
        bool passes;           // the self-test job
    };
    const Case cases[] = {
        {{1, 5, 3, 3, 3, 3, 3}, "AUXPAD board is Ready!", nullptr, true, true},
        {{1, 5, 3, 0, 3, 0, 3}, "Testing AUXPAD board...", nullptr, true, false},
        {{1, 5, 0, 3, 0, 3, 0}, "SelfTest Result: DSP/NAND/AIC FAILED ", "ERROR03: AUXPAD DSP/NAND/AIC FAILED! ", false, false},
        {{1, 5, 3, 3, 0, 3, 0}, "SelfTest Result: Radio FAILED ", "ERROR04: AUXPAD Radio FAILED! ", true, false},
        {{1, 5, 3, 3, 3, 3, 0}, "SelfTest Result: USB FAILED ", "ERROR05: AUXPAD USB FAILED! ", true, false},
        {{0, 5, 3, 3, 3, 3, 3}, "Testing AUXPAD board...", "ERROR02: AUXPAD SelfTest Failed!", false, false},
        {{0}, "Testing AUXPAD board...", "ERROR02: AUXPAD SelfTest Failed!", false, false}, // too short for codes
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(hexOf(c.params));
        Station job;
        job.b.writeInfo(kValid);
        job.selfTest(c.params);
        EXPECT_EQ(job.b.caption(), c.caption);
        ASSERT_EQ(job.b.boxes.size(), c.box ? 1u : 0u);
        if (c.box) {
            EXPECT_EQ(job.b.boxes[0].text, c.box);
            EXPECT_EQ(job.b.boxes[0].icon, Icon::Warning);
        }
        job.b.tick();
        EXPECT_EQ(job.wrote(), c.writes);
        if (!c.writes) {
            EXPECT_EQ(job.b.boxes.back().text, kNoProductAnswer);
            EXPECT_EQ(job.b.outcomes, std::vector{JobOutcome::Failed});
            ASSERT_GE(job.b.bars.size(), 2u);
            EXPECT_EQ(job.b.bars[job.b.bars.size() - 2].value, 0) << "the bar emptied, then hidden";
            EXPECT_FALSE(job.b.bars.back().visible);
        }

        // The self-test job shows what the product-information job shows, and passes on a
        // full pass only.
        Station test;
        test.b.engine.startSelfTestJob(0);
        test.selfTest(c.params);
        test.b.tick();
        EXPECT_EQ(test.b.boxes.size(), c.box ? 1u : 0u);
        EXPECT_EQ(test.b.outcomes, std::vector{c.passes ? JobOutcome::Passed : JobOutcome::Failed});
        EXPECT_EQ(test.b.phases, (std::vector{Phase::SelfTest, Phase::Idle}));

        // The flash job goes on after any answer, and shows nothing but the ready text.
        Station flash;
        flash.b.files.files["/station/d.txt"] = downloadText(6);
        flash.b.flash("/station/d.txt", "/station/d.txt");
        flash.selfTest(c.params);
        EXPECT_EQ(flash.b.engine.jobMode(), JobMode::FlashReadInfo);
        EXPECT_EQ(flash.b.phases, (std::vector{Phase::SelfTest, Phase::ReadingInfo}));
        EXPECT_TRUE(flash.b.boxes.empty());
    }
}

TEST(ReadBack, PassesOnlyWhenTheBoardGivesBackWhatWasWrittenAndNamesWhatDiffers)
{
    struct Case {
        bool misstore;
        std::uint8_t readStatus;
        JobOutcome outcome;
        const char* message;
        const char* serial;
        const char* brief; // what a tile says of it
    };
    const Case cases[] = {
        {false, 1, JobOutcome::Passed, "", "123456789", ""},
        {true, 1, JobOutcome::Failed,
         "AUXPAD Product Info read back differs: Serial Number written 123456789, read 12345678X", "12345678X",
         "read-back: serial differs"},
        {false, 0, JobOutcome::Failed, "AUXPAD Product Info not read back: the board did not give it", "",
         "read-back: no answer"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        auxsim::EngineConfig config;
        config.board.misstoreSerial = c.misstore;
        config.board.prodInfoStatus = c.readStatus;
        config.answerDelay = c.outcome == JobOutcome::Passed ? 2'000'000 : 0; // 2 s: the wait shows
        EngineRig b(config);
        b.engine.startProductJob(kValid, b.now, ReadBack::Yes);
        std::vector<float> bar; // while the read-back is awaited
        ASSERT_TRUE(b.runUntil([&] {
            if (b.engine.jobMode() == JobMode::ProductReadBack && b.bar().visible)
                bar.push_back(b.bar().value);
            return !b.outcomes.empty();
        }, 20000));
        if (config.answerDelay > 0) {
            ASSERT_GE(bar.size(), 2u);
            EXPECT_GT(bar.back(), bar.front()) << "the bar counts the wait up";
        }
        const JobSummary& done = b.ended.back();
        EXPECT_EQ(done.outcome, c.outcome);
        EXPECT_EQ(done.message, c.message);
        EXPECT_EQ(done.serial, c.serial) << "the serial the board holds";
        EXPECT_EQ(failureInBrief(done.step, done.cause, done.differs), c.brief);
        EXPECT_EQ(b.phases, (std::vector{Phase::SelfTest, Phase::WritingInfo, Phase::ReadingBack, Phase::Idle}))
            << "each step shown as it starts";
        EXPECT_EQ(requestsIn(b.written).back(), Bytes{0x48}) << "the flash job's read request";
        if (c.outcome == JobOutcome::Passed) {
            EXPECT_EQ(b.caption(), "Reading AUXPAD board Product info...\nAUXPAD Product Info read back OK");
        }
    }
}

TEST_F(ProductJob, AnAnswerTooShortToReadIsNoAnswer)
{
    b.writeInfo(kValid);
    selfTest({1, 5, 3}); // passed, but its result codes are missing
    EXPECT_NE(b.traffic.find("\nMessage too short to read: ignored"), std::string::npos);
    b.tick(20);
    EXPECT_EQ(b.boxes.back().text, kNoProductAnswer);
    EXPECT_EQ(b.caption(), kNoProductAnswer);
}

TEST_F(ProductJob, BoxesAreCheckedInOrderAndNothingIsSentForTheFirstWrongOne)
{
    struct Case {
        ProductFields boxes;
        const char* box;
        const char* caption; // its first line, when not the box's text
    };
    const Case cases[] = {
        {{"123", "123456789ab", "123456789ab", "123456789", "1234567", "150603"}, "Please Check AUXPAD Hardware Version! ", nullptr},
        {{"1234", "123456789ab", "123456789ab", "12345678", "123456", "150603"}, "Please Check AUXPAD Serial Number! ", nullptr},
        {{"1234", "123456789ab", "123456789ab", "123456789", "1234567", "123456"},
         "ERROR15: Invalid Manufacture DDMMYY! Please Check!", "ERROR15: Invalid Manufacture DDMMYY! "},
        {{"1234", "123456789ab", "123456789ab", "12345678\u20ac", "1234567", "310299"},
         "Serial Number holds a character that the board cannot store (only Latin-1 characters fit). ", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.box);
        Station job;
        job.write(c.boxes);
        ASSERT_EQ(job.b.boxes.size(), 1u);
        EXPECT_EQ(job.b.boxes[0].text, c.box);
        EXPECT_EQ(job.b.boxes[0].icon, Icon::None);
        EXPECT_EQ(job.b.caption(), std::string(c.caption ? c.caption : c.box) + "\nAUXPAD Product Info not written");
        EXPECT_FALSE(job.wrote());
        EXPECT_EQ(job.b.outcomes, std::vector{JobOutcome::Failed});
    }
}

TEST_F(ProductJob, AnUnansweredWriteFailsAtTheFirstTickPastEightSeconds)
{
    write(kValid);
    const Millis sent = b.now;
    std::vector<int> bar;
    while (b.boxes.empty() && b.now - sent < 12000) {
        b.tick();
        bar.push_back(static_cast<int>(b.bar().value));
    }
    EXPECT_EQ(b.now - sent, 8500);
    EXPECT_EQ(bar.front(), 5);
    EXPECT_EQ(bar[bar.size() - 2], 80);
    ASSERT_EQ(b.boxes.size(), 1u);
    EXPECT_EQ(b.boxes[0].text, "ProdInfo written FAILED! Please Write or Flash Again!");
    EXPECT_EQ(b.caption(), "ProdInfo written FAILED\nPlease Write or Flash Again!");
    EXPECT_FALSE(b.bar().visible);
    EXPECT_EQ(b.outcomes, std::vector{JobOutcome::Failed});

    // A power-up meanwhile ends the wait silently.
    write(kValid);
    EXPECT_EQ(b.engine.phase(), Phase::WritingInfo);
    answer(boardMessage(0x06, {}));
    b.tick(20);
    EXPECT_EQ(b.boxes.size(), 1u);
    EXPECT_EQ(b.outcomes.size(), 2u) << "whether it took, nobody knows";
}

TEST_F(ProductJob, TheBoardsProductInformationFillsTheBoxesByPosition)
{
    b.fromBoard(boardMessage(0x70, {1, 4, '0', '1', '0', '2', 11, '0', '1', '0', '2', '0', '3', '0', '4', '0', '5', 'X',
                                    11, 'D', 'S', 'P', '0', '4', '.', '0', '5', '.', '0', '6', 9, 'S', 'N', '0', '0', '0',
                                    '0', '0', '0', '1', 7, 'C', 'O', 'D', 'E', '0', '0', '1', 4, '0', '6', '0', '3', 2,
                                    '1', '5'}));
    EXPECT_EQ(b.engine.productFields(),
              (ProductFields{"0102", "0102030405X", "DSP04.05.06", "SN0000001", "CODE001", "150603"}));
}

TEST_F(ProductJob, DefaultsComeFromFlashIniInFileOrderUpToTheFirstFaultyEntry)
{
    b.files.files["/station/flash.ini"] = "Code=\"7654321\"\r\nHardware=\"0102\" Code=\"1\"\r\nMCUSW=\"MCU\"\r\n"
                                         "Serial=\"SN0000001\"\r\n";
    b.engine.loadDefaults(b.now);
    b.settle();
    EXPECT_EQ(b.engine.productFields()[4], "7654321");
    EXPECT_EQ(b.engine.productFields()[0], "0102") << "a line with two keys is the first key's";
    ASSERT_EQ(b.boxes.size(), 1u);
    EXPECT_EQ(b.boxes[0].text, "ERROR09: MCUSW Version error in flash.ini! ");
    EXPECT_EQ(b.engine.productFields()[3], "123456789") << "reading stopped at the faulty entry";

    b.files.files["/station/flash.ini"] = "Manufacture=\"320199\"\r\n";
    b.engine.loadDefaults(b.now);
    b.settle();
    EXPECT_EQ(b.boxes.back().text, "ERROR14: Invalid Manufacture DDMMYY in flash.ini! ");
    EXPECT_EQ(b.engine.productFields()[5], "320199") << "the box shows the faulty date";

    b.files.files.clear();
    b.engine.loadDefaults(b.now);
    b.settle();
    EXPECT_EQ(b.fault, "Cannot read /station/flash.ini: No such file or directory");
    EXPECT_FALSE(b.engine.acceptsInput());
}

} // namespace
