#include <gtest/gtest.h>

#include "fbus/catalogue.h"

using auxpad::MSG_NAME;

namespace {

TEST(MsgName, NamesIndicationsRequestsResponsesAndNothingElse)
{
    for (const int id : {0x00, 0x07, 0x28, 0x50, 0x78, 0xFE})
        EXPECT_EQ(MSG_NAME(static_cast<std::uint8_t>(id)), "") << id;
    EXPECT_EQ(MSG_NAME(0xFF), "_MESSAGE_NOT_DEFINED");
    EXPECT_EQ(MSG_NAME(0x01), "_CTRL_KBD_IND");
    EXPECT_EQ(MSG_NAME(0x06), "_POWER_UP_IND");
    EXPECT_EQ(MSG_NAME(0x29), "_CTRL_MEM_STATUS_REQ");
    EXPECT_EQ(MSG_NAME(0x47), "_TEST_SELF_TEST_REQ");
    EXPECT_EQ(MSG_NAME(0x4F), "_CTRL_SYNC_REQ");
    EXPECT_EQ(MSG_NAME(0x51), "_CTRL_MEM_STATUS_RESP");
    EXPECT_EQ(MSG_NAME(0x5E), "_RECORDER_CTRL_RESP");
    EXPECT_EQ(MSG_NAME(0x6F), "_TEST_SELF_TEST_RESP");
    EXPECT_EQ(MSG_NAME(0x70), "_TEST_PROD_INFO_RESP");
    EXPECT_EQ(MSG_NAME(0x77), "_CTRL_SYNC_RESP");
}

TEST(MsgName, EveryRequestHasItsResponseTwentyEightHigher)
{
    for (int id = 0x29; id <= 0x4F; ++id) {
        std::string request = MSG_NAME(static_cast<std::uint8_t>(id));
        ASSERT_EQ(request.substr(request.size() - 4), "_REQ") << id;
        EXPECT_EQ(MSG_NAME(static_cast<std::uint8_t>(id + 0x28)), request.substr(0, request.size() - 4) + "_RESP");
    }
}

} // namespace
