#include <gtest/gtest.h>

#include "fbus/hex_text.h"
#include "fbus/msg_commands.h"
#include "fbus/sender.h"
#include "tests/fakes/fakes.h"

using namespace auxpad;
using fakes::hexOf;

namespace {

std::string parse(fakes::Bench& b, std::string text, std::int32_t* count = nullptr)
{
    std::uint8_t out[200] = {};
    const std::int32_t n = HEX_TO_BYTES(b.st, text, out, sizeof out);
    if (count)
        *count = n;
    return hexOf({out, out + std::min<std::int32_t>(n, 200)});
}

TEST(HexToBytes, SeparatorsCaseAndDigitRuns)
{
    fakes::Bench b;
    for (const char* text : {"47 02", "47,02", "47,2", "47\n2", "47\r\n02", "  47  02  ", "47,,\n 02"})
        EXPECT_EQ(parse(b, text), "47 02") << text;
    EXPECT_EQ(parse(b, "4702"), "02");
    EXPECT_EQ(parse(b, "123"), "23");
    EXPECT_EQ(parse(b, "ff FF Ab"), "FF FF AB");
    EXPECT_EQ(parse(b, ""), "");
    EXPECT_EQ(b.main.disp1Text, "Flash DSP Progress Report");
}

TEST(HexToBytes, BadCharacterGivesDataErrorAndZero)
{
    fakes::Bench b;
    std::int32_t n = -1;
    parse(b, "47 0x02", &n);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(b.main.disp1Text, "Data Error");
    for (const char* text : {"47\t02", "g", "12;", "\xC3\xA9"}) {
        b.main.disp1Text.clear();
        parse(b, text, &n);
        EXPECT_EQ(n, 0) << text;
        EXPECT_EQ(b.main.disp1Text, "Data Error");
    }
}

TEST(HexToBytes, LowerCasesTheCallersText)
{
    fakes::Bench b;
    std::string text = "AB Cd";
    std::uint8_t out[4];
    HEX_TO_BYTES(b.st, text, out, 4);
    EXPECT_EQ(text, "ab cd");
}

TEST(HexToBytes, NeverWritesPastTheCapacityButCountsOn)
{
    fakes::Bench b;
    std::uint8_t out[4] = {};
    std::string text = "01 02 03 04 05 06";
    EXPECT_EQ(HEX_TO_BYTES(b.st, text, out, 3), 6);
    EXPECT_EQ(hexOf({out, out + 4}), "01 02 03 00");
}

TEST(SendHexMsg, TypedSelfTestGoesOutAsARequest)
{
    fakes::Bench b;
    BT_SEND_MSG_Click(b.st, "47 02");
    FBUS_SEND(b.st, SEND_PUMP);
    EXPECT_EQ(hexOf(b.port.written), "1E 28 00 00 00 07 42 D2 00 47 02 01 60 00 3E BB");
}

TEST(SendHexMsg, BadTextStillQueuesAnEmptyRequestButOverlongTextQueuesNothing)
{
    fakes::Bench b;
    BT_SEND_MSG_Click(b.st, "47 0x02");
    EXPECT_EQ(b.main.disp1Text, "Data Error");
    FBUS_SEND(b.st, SEND_PUMP);
    EXPECT_EQ(b.port.take().size(), 14u);
    FBUS_SEND(b.st, SEND_ACKED);

    b.main.disp1Text.clear();
    std::string longText;
    for (int i = 0; i < 188; ++i)
        longText += "11 ";
    BT_SEND_MSG_Click(b.st, longText);
    EXPECT_EQ(b.main.disp1Text, "Data Error");
    FBUS_SEND(b.st, SEND_PUMP);
    EXPECT_TRUE(b.port.written.empty());
}

} // namespace
