#include <gtest/gtest.h>

#include "tests/fakes/fakes.h"

using namespace auxpad;
using fakes::boardMessage;
using fakes::Box;
using platform::Icon;

namespace {

std::vector<std::uint8_t> selfTest(std::uint8_t status, std::vector<std::uint8_t> codes)
{
    std::vector<std::uint8_t> params = {status, 0x05};
    for (const auto c : codes)
        params.push_back(c);
    return boardMessage(0x6F, params);
}

std::vector<std::uint8_t> record(const std::string& hw, const std::string& mcu, const std::string& dsp,
                                 const std::string& serial, const std::string& code, const std::string& mmyy,
                                 const std::string& dd)
{
    std::vector<std::uint8_t> r;
    for (const std::string* f : {&hw, &mcu, &dsp, &serial, &code, &mmyy, &dd}) {
        r.push_back(static_cast<std::uint8_t>(f->size()));
        for (const char c : *f)
            r.push_back(static_cast<std::uint8_t>(c));
    }
    return r;
}

std::vector<std::uint8_t> prodInfo(std::uint8_t status, const std::vector<std::uint8_t>& rec)
{
    std::vector<std::uint8_t> params = {status};
    for (const auto b : rec)
        params.push_back(b);
    return boardMessage(0x70, params);
}

struct Response : ::testing::Test {
    fakes::Bench b;
    void mode(std::int32_t m)
    {
        b.st.JOB_MODE = m;
        b.st.TICKS_LEFT = 12;
        b.main.prgVisible = true;
    }
};

TEST_F(Response, PassedSelfTestSaysReadyInAnyMode)
{
    for (const std::int32_t m : {0, 1, 6}) {
        mode(m);
        b.main.disp1Text = "Testing AUXPAD board...";
        b.receive(selfTest(1, {3, 3, 3, 3, 3}));
        EXPECT_EQ(b.main.disp1Text, "AUXPAD board is Ready!");
        EXPECT_EQ(b.st.SELF_TEST_REPLY, 7);
        EXPECT_FALSE(b.main.prgVisible);
    }
    EXPECT_TRUE(b.dialogs.boxes.empty());
}

TEST_F(Response, FlashJobMovesOnSilentlyWhateverTheResult)
{
    for (const auto& frame : {selfTest(0, {3, 3, 3, 3, 3}), selfTest(1, {0, 0, 0, 0, 0})}) {
        mode(1);
        b.main.disp1Text = "Testing AUXPAD board...";
        b.receive(frame);
        EXPECT_EQ(b.st.JOB_MODE, 2);
        EXPECT_EQ(b.st.TICKS_LEFT, 1);
        EXPECT_EQ(b.main.disp1Text, "Testing AUXPAD board...");
    }
    EXPECT_TRUE(b.dialogs.boxes.empty());
}

TEST_F(Response, ProductInformationJobReportsTheFirstFailureOnly)
{
    struct Case {
        std::uint8_t status;
        std::vector<std::uint8_t> codes;
        std::string caption;
        std::vector<Box> boxes;
        std::int32_t reply;
    };
    const Case cases[] = {
        {1, {3, 0, 3, 3, 3}, "Testing", {}, 7},
        {1, {3, 3, 3, 0, 3}, "Testing", {}, 7},
        {1, {0, 3, 0, 3, 0}, "SelfTest Result: DSP/NAND/AIC FAILED ", {{"ERROR03: AUXPAD DSP/NAND/AIC FAILED! ", Icon::Warning}}, 0},
        {1, {3, 3, 0, 3, 0}, "SelfTest Result: Radio FAILED ", {{"ERROR04: AUXPAD Radio FAILED! ", Icon::Warning}}, 7},
        {1, {3, 3, 3, 3, 7}, "SelfTest Result: USB FAILED ", {{"ERROR05: AUXPAD USB FAILED! ", Icon::Warning}}, 7},
        {2, {3, 3, 3, 3, 3}, "Testing", {{"ERROR02: AUXPAD SelfTest Failed!", Icon::Warning}}, 0},
    };
    for (const Case& c : cases) {
        mode(6);
        b.main.disp1Text = "Testing";
        b.dialogs.boxes.clear();
        b.receive(selfTest(c.status, c.codes));
        EXPECT_EQ(b.main.disp1Text, c.caption);
        EXPECT_EQ(b.dialogs.boxes, c.boxes);
        EXPECT_EQ(b.st.SELF_TEST_REPLY, c.reply);
        EXPECT_EQ(b.st.JOB_MODE, 6);
        EXPECT_EQ(b.st.TICKS_LEFT, 1);
    }
}

TEST_F(Response, SelfTestBoxHoldsTheHandlerUntilClosed)
{
    mode(6);
    b.dialogs.whileOpen = [&] {
        EXPECT_EQ(b.st.TICKS_LEFT, 12) << "the final step runs after the box";
        EXPECT_TRUE(b.main.prgVisible);
        b.tick(3); // held back
    };
    b.receive(selfTest(1, {0, 3, 3, 3, 3}));
    EXPECT_EQ(b.st.TICKS_LEFT, 1);
    EXPECT_EQ(b.st.JOB_MODE, 6);
}

TEST_F(Response, ProductInformationFillsTheBoxesDayFirst)
{
    mode(3);
    b.receive(prodInfo(1, record("0102", "0102030405X", "DSP04.05.06", "SN0000001", "CODE001", "0603", "15")));
    EXPECT_EQ(b.main.texts[0], "0102");
    EXPECT_EQ(b.main.texts[1], "0102030405X");
    EXPECT_EQ(b.main.texts[2], "DSP04.05.06");
    EXPECT_EQ(b.main.texts[3], "SN0000001");
    EXPECT_EQ(b.main.texts[4], "CODE001");
    EXPECT_EQ(b.main.texts[5], "150603");
    EXPECT_TRUE(b.st.PROD_INFO_READ_DONE);
    EXPECT_EQ(b.st.TICKS_LEFT, 0);
    EXPECT_FALSE(b.main.prgVisible);
}

TEST_F(Response, ProductInformationBytesAbove7FAreLatin1)
{
    b.receive(prodInfo(1, record("\xB5" "102", "0102030405X", "DSP04.05.06", "SN0000001", "CODE001", "0603", "15")));
    EXPECT_EQ(b.main.texts[0], "\xC2\xB5" "102");
}

TEST_F(Response, RefusedProductInformationLeavesTheBoxesButEndsTheWait)
{
    mode(1);
    b.receive(prodInfo(0, std::vector<std::uint8_t>(55, 'Z')));
    EXPECT_EQ(b.main.texts[0], "1234");
    EXPECT_TRUE(b.st.PROD_INFO_READ_DONE);
    EXPECT_EQ(b.st.TICKS_LEFT, 0);
}

TEST_F(Response, WriteAnswerAppendsItsLineAndEndsTheWait)
{
    b.st.PROD_INFO_WRITE_PENDING = true;
    b.main.disp1Text = "Writing AUXPAD product info...";
    b.receive(boardMessage(0x6E, {1}));
    EXPECT_EQ(b.main.disp1Text, "Writing AUXPAD product info...\nAUXPAD Product Info written OK!");
    EXPECT_FALSE(b.st.PROD_INFO_WRITE_PENDING);

    b.st.PROD_INFO_WRITE_PENDING = true;
    b.main.disp1Text = "x";
    b.receive(boardMessage(0x6E, {0}));
    EXPECT_EQ(b.main.disp1Text, "x\nProdInfo write FAILED\nPlease Write or Flash Again!");
    EXPECT_FALSE(b.st.PROD_INFO_WRITE_PENDING);
    EXPECT_FALSE(b.main.prgVisible);
}

TEST_F(Response, PowerUpCountsAndEndsAWriteWaitSilently)
{
    b.st.PROD_INFO_WRITE_PENDING = true;
    b.main.prgVisible = true;
    b.main.prgValue = 40;
    b.receive(boardMessage(0x06, {}));
    b.receive(boardMessage(0x06, {}, 0x41));
    EXPECT_EQ(b.st.POWER_UP_COUNT, 2);
    EXPECT_FALSE(b.st.PROD_INFO_WRITE_PENDING);
    EXPECT_FALSE(b.main.prgVisible);
    EXPECT_EQ(b.main.prgValue, 0);
    EXPECT_TRUE(b.dialogs.boxes.empty());
}

TEST_F(Response, FramesTooShortForWhatIsReadAreIgnoredWithALogLine)
{
    mode(1);
    b.receive(boardMessage(0x6F, {1, 5, 3})); // codes missing
    EXPECT_EQ(b.st.JOB_MODE, 1);
    EXPECT_EQ(b.st.SELF_TEST_REPLY, 0);
    b.receive(prodInfo(1, std::vector<std::uint8_t>(20, 'A')));
    EXPECT_FALSE(b.st.PROD_INFO_READ_DONE);
    EXPECT_EQ(b.main.texts[0], "1234");
    EXPECT_NE(b.msg.log.find("\nMessage too short to read: ignored"), std::string::npos);
    EXPECT_EQ(b.port.written.size(), 20u) << "both were still acknowledged";
}

TEST_F(Response, TestInfoAnswersAreReportedInTheTrafficLog)
{
    b.receive(boardMessage(0x6C, {1, 0, 'P', 'A', 'S', 'S', '!', '0', '1', '0', '2', '0', '3', '-', '0', '4', '2'}));
    EXPECT_NE(b.msg.log.find("\nTest info read\nResult: PASS!\nDate: 010203\nNo : 042"), std::string::npos) << b.msg.log;
    b.receive(boardMessage(0x6D, {0}));
    EXPECT_NE(b.msg.log.find("\nTestInfo write FAILED"), std::string::npos);
    b.receive(boardMessage(0x6C, {2}));
    EXPECT_NE(b.msg.log.find("\nTestInfo read FAILED"), std::string::npos);
    b.receive(boardMessage(0x6D, {1, 0, 'O', 'K', '!', '!', '!', '3', '1', '1', '2', '9', '9', '-', '0', '0', '7'}));
    EXPECT_NE(b.msg.log.find("\nTest info write\nResult: OK!!!\nDate: 311299\nNo : 007"), std::string::npos);
    EXPECT_TRUE(b.dialogs.boxes.empty());
}

} // namespace
