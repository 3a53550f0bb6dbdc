#include <gtest/gtest.h>

#include "fbus/receiver.h"
#include "fbus/sender.h"
#include "tests/fakes/fakes.h"

using namespace auxpad;
using fakes::boardFrame;
using fakes::boardMessage;
using fakes::hex;
using fakes::hexOf;

namespace {

TEST(FbusReceive, BoardAckEndsTheWaitAndStandsOnOneLogLine)
{
    fakes::Bench b;
    b.st.ACK_WAIT = 1;
    b.receive(hex("1E 00 28 7F 00 02 00 00 36 7D"));
    EXPECT_EQ(b.st.ACK_WAIT, 0);
    EXPECT_EQ(b.msg.log, "\n<1E 00 28 7F 00 02 00 00 36 7D             ACK MSG");
    EXPECT_EQ(b.st.FBUS_TX[0], 0x00);
    EXPECT_EQ(b.st.FBUS_TX_LEN, 2);
    EXPECT_TRUE(b.port.written.empty()) << "an acknowledgement is never acknowledged";
}

TEST(FbusReceive, AckWhileIdleSendsTheNextQueuedFrame)
{
    fakes::Bench b;
    b.st.FBUS_TX[0] = 0x48;
    b.st.FBUS_TX_LEN = 1;
    FBUS_REQUEST(b.st);
    b.receive(hex("1E 00 28 7F 00 02 00 00 36 7D"));
    EXPECT_EQ(b.port.take().size(), 14u);
    EXPECT_EQ(b.st.ACK_WAIT, 1);
}

TEST(FbusReceive, RegistrationIsAnsweredThroughTheQueueAndResetsTheSequence)
{
    fakes::Bench b;
    b.st.FBUS_SEQ = 0x45;
    b.receive(boardFrame(0xD0, {0x05, 0x01, 0x60}));
    EXPECT_TRUE(b.port.written.empty()) << "the reply waits for the sender's turn";
    EXPECT_EQ(b.st.FBUS_SEQ, 0x42);
    FBUS_SEND(b.st, SEND_PUMP);
    EXPECT_EQ(hexOf(b.port.written), "1E 28 00 D0 00 03 05 01 41 00 5A FA");
    EXPECT_EQ(b.st.ACK_WAIT, 1) << "the reply awaits the board's acknowledgement";
    EXPECT_NE(b.msg.log.find("      UI_REGISTRATION"), std::string::npos);
    EXPECT_NE(b.msg.log.find("\n>1E 28 00 D0 00 03 05 01 41 00 5A FA       "), std::string::npos);
    EXPECT_EQ(b.msg.log.substr(b.msg.log.size() - 12), "5A FA       ") << "six blanks and no name after the reply";
    EXPECT_EQ(b.st.TX_QUEUE_IN, 1) << "exactly one reply queued";
}

TEST(FbusReceive, ServiceMessageIsAckedWithItsSequenceBitsBeforeAnythingElse)
{
    fakes::Bench b;
    b.receive(boardMessage(0x6F, {0x01, 0x05, 3, 3, 3, 3, 3}, 0x43));
    EXPECT_EQ(hexOf(b.port.written), "1E 28 00 7F 00 02 00 03 1E 56");
    EXPECT_NE(b.msg.log.find("      _TEST_SELF_TEST_RESP\n>1E 28 00 7F 00 02 00 03 1E 56              PN ACK"),
              std::string::npos)
        << b.msg.log;

    b.port.take();
    b.receive(boardMessage(0x06, {}, 0x60));
    EXPECT_EQ(b.port.written[7], 0x00);
}

TEST(FbusReceive, MessageOutsideTheCatalogueIsStillAcknowledged)
{
    fakes::Bench b;
    b.receive(boardMessage(0x07, {}, 0x41));
    EXPECT_EQ(b.port.written.size(), 10u);
    EXPECT_EQ(b.msg.log.find("      \n>"), b.msg.log.find("\n>") - 6);
}

TEST(FbusReceive, OtherFrameTypesAndBadChecksumsAreIgnoredSilently)
{
    fakes::Bench b;
    b.receive(boardFrame(0x01, {0x42, 0xD2, 0x00, 0x06, 0x01, 0x60}));
    auto bad = boardMessage(0x06, {}, 0x60);
    bad.back() ^= 0x01;
    b.receive(bad);
    EXPECT_TRUE(b.port.written.empty());
    EXPECT_EQ(b.st.FBUS_RX_STATE, 0);
    EXPECT_EQ(b.msg.log.find("error"), std::string::npos);
    EXPECT_EQ(b.msg.log.back(), ' ') << "no note after a bad frame's bytes";
}

TEST(FbusReceive, OddLengthFrameCountsItsPadByte)
{
    fakes::Bench b;
    const auto frame = boardMessage(0x06, {0xAA}, 0x60); // L = 7
    ASSERT_EQ(frame.size(), 16u);
    b.receive(frame);
    EXPECT_EQ(b.port.written.size(), 10u);
}

TEST(FbusReceive, HeaderErrorsLogTheByteThenTheMessageAndDoNotReexamineIt)
{
    fakes::Bench b;
    b.receive(hex("1E 1E"));
    b.receive(hex("1E 00 1E"));
    b.receive(hex("1E 00 28 7F 01"));
    EXPECT_EQ(b.msg.log,
              "\n<1E 1E \nFBUS receiver error!"
              "\n<1E 00 1E \nFBUS sender error!"
              "\n<1E 00 28 7F 01 \nFBUS length MSB error!");
    EXPECT_EQ(b.st.FBUS_RX_STATE, 0);
    b.receive(hex("1E 00 28 7F 00 02 00 00 36 7D"));
    EXPECT_NE(b.msg.log.find("ACK MSG"), std::string::npos) << "a good frame follows at once";
}

TEST(FbusReceive, StartByteInsideDataDoesNotRestartAFrame)
{
    fakes::Bench b;
    b.receive(boardMessage(0x06, {0x1E, 0x1E}, 0x60));
    EXPECT_EQ(b.port.written.size(), 10u);
}

TEST(FbusReceive, StrayBytesEachStandOnTheirOwnLineAnd5EIsOneOfThem)
{
    fakes::Bench b;
    b.receive(hex("55 5E 90"));
    EXPECT_EQ(b.msg.log, "\n<55 \n<5E \n<90 ");
    b.receive(hex("1E 00 28 7F 00 02 00 00 36 7D"));
    EXPECT_NE(b.msg.log.find("ACK MSG"), std::string::npos) << "0x5E must not deafen the receiver";
}

TEST(FbusReceive, HalfFrameIsDroppedAtTheSecondTickAndIdleTicksDoNothing)
{
    fakes::Bench b;
    b.tick(3);
    EXPECT_EQ(b.st.FBUS_RX_STATE, 0);
    b.receive(hex("1E 00 28 00 00 06"));
    b.tick();
    EXPECT_EQ(b.st.FBUS_RX_STATE, 6) << "one tick is not enough";
    b.tick();
    EXPECT_EQ(b.st.FBUS_RX_STATE, 0);
    const std::string before = b.msg.log;
    b.receive(boardMessage(0x06, {}, 0x60));
    EXPECT_EQ(b.port.written.size(), 10u) << "the next frame is received normally";
    EXPECT_EQ(before.find("error"), std::string::npos) << "dropped silently";
}

TEST(FbusReceive, DeclaredLengthBeyondTheBufferIsDroppedAndLogged)
{
    fakes::Bench b;
    b.receive(hex("1E 00 28 00 00 C1"));
    EXPECT_EQ(b.st.FBUS_RX_STATE, 0);
    EXPECT_NE(b.msg.log.find("C1 \nFBUS length error!"), std::string::npos);
    b.receive(std::vector<std::uint8_t>(300, 0x33)); // whatever follows is stray
    EXPECT_EQ(b.st.FBUS_RX_STATE, 0);

    const auto longest = boardMessage(0x06, std::vector<std::uint8_t>(186, 0x77), 0x60); // L = 192
    ASSERT_EQ(longest.size(), 200u);
    b.receive(longest);
    EXPECT_EQ(b.port.written.size(), 10u);
}

TEST(FbusReceive, HiddenMessageWindowDropsTheLogForGood)
{
    fakes::Bench b;
    b.msg.visible = false;
    b.receive(hex("1E 00 28 7F 00 02 00 00 36 7D"));
    b.msg.visible = true;
    EXPECT_EQ(b.msg.log, "");
}

} // namespace
