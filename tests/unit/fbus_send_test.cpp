#include <gtest/gtest.h>

#include "fbus/checksum.h"
#include "fbus/sender.h"
#include "tests/fakes/fakes.h"

using namespace auxpad;
using fakes::hex;
using fakes::hexOf;

namespace {

void request(fakes::Bench& b, const std::vector<std::uint8_t>& payload)
{
    std::copy(payload.begin(), payload.end(), b.st.FBUS_TX.begin());
    b.st.FBUS_TX_LEN = static_cast<std::uint8_t>(payload.size());
    FBUS_REQUEST(b.st);
}

TEST(FbusChecksum, PadsOddFramesAndAppendsEvenAndOddXor)
{
    std::uint8_t frame[16] = {0x1E, 0x28, 0x00, 0xD0, 0x00, 0x03, 0x05, 0x01, 0x41};
    std::uint8_t n = 9;
    FBUS_CHECKSUM(frame, n);
    EXPECT_EQ(hexOf({frame, frame + n}), "1E 28 00 D0 00 03 05 01 41 00 5A FA");

    std::uint8_t ack[16] = {0x1E, 0x28, 0x00, 0x7F, 0x00, 0x02, 0x00, 0x00};
    n = 8;
    FBUS_CHECKSUM(ack, n);
    EXPECT_EQ(hexOf({ack, ack + n}), "1E 28 00 7F 00 02 00 00 1E 55");

    std::uint8_t block[16] = {0x80, 0x12, 0x00, 0x02, 0x01, 0x02};
    n = 6;
    FBUS_CHECKSUM(block, n);
    EXPECT_EQ(hexOf({block, block + n}), "80 12 00 02 01 02 81 12");
}

TEST(FbusRequest, FirstSelfTestIsQueuedAndSentAsOnTheWire)
{
    fakes::Bench b;
    request(b, {0x47, 0x02});
    EXPECT_EQ(hexOf({b.st.FBUS_TX.begin(), b.st.FBUS_TX.begin() + b.st.FBUS_TX_LEN}),
              "1E 28 00 00 00 07 42 D2 00 47 02 01 60");
    EXPECT_TRUE(b.port.written.empty()) << "queuing sends nothing";
    FBUS_SEND(b.st, SEND_PUMP);
    EXPECT_EQ(hexOf(b.port.written), "1E 28 00 00 00 07 42 D2 00 47 02 01 60 00 3E BB");
    EXPECT_EQ(b.msg.log, "\n>1E 28 00 00 00 07 42 D2 00 47 02 01 60 00 3E BB       _TEST_SELF_TEST_REQ");
    EXPECT_EQ(b.st.ACK_WAIT, 1);
    EXPECT_EQ(b.st.LINK.AckCount, 2);
    EXPECT_EQ(b.st.LINK.AckType, 0x00);
    EXPECT_EQ(b.st.LINK.AckSeq, 0);
}

TEST(FbusRequest, SequenceAndTransactionNumbersRunAndWrap)
{
    fakes::Bench b;
    std::vector<int> seqs;
    std::vector<int> trans;
    for (int i = 0; i < 130; ++i) {
        request(b, {0x2A});
        const auto& slot = b.st.TX_QUEUE[(b.st.TX_QUEUE_IN + 19) % 20];
        seqs.push_back(slot[11]);
        trans.push_back(slot[8]);
        b.st.TX_QUEUE_OUT = b.st.TX_QUEUE_IN; // keep the ring from filling
    }
    EXPECT_EQ((std::vector<int>(seqs.begin(), seqs.begin() + 10)),
              (std::vector<int>{0x60, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x40, 0x41}));
    EXPECT_EQ(trans[0], 0);
    EXPECT_EQ(trans[1], 1);
    EXPECT_EQ(trans[127], 127);
    EXPECT_EQ(trans[128], 0);
}

TEST(FbusRequest, EmptyAndOddPayloadsGetOnePadByteEvenOnesNone)
{
    fakes::Bench b;
    request(b, {});
    FBUS_SEND(b.st, SEND_PUMP);
    const auto empty = b.port.take();
    EXPECT_EQ(empty.size(), 14u);
    EXPECT_EQ(hexOf({empty.begin(), empty.begin() + 12}), "1E 28 00 00 00 05 42 D2 00 01 60 00");

    FBUS_SEND(b.st, SEND_ACKED);
    request(b, {0x48, 0x01}); // 13 bytes unpadded: one pad byte
    FBUS_SEND(b.st, SEND_PUMP);
    EXPECT_EQ(b.port.take().size(), 16u);

    FBUS_SEND(b.st, SEND_ACKED);
    request(b, {0x48}); // 12 bytes: no pad
    FBUS_SEND(b.st, SEND_PUMP);
    EXPECT_EQ(b.port.take().size(), 14u);
}

TEST(FbusSender, SecondRequestWaitsForAckOrTimeoutAndIsNeverResent)
{
    fakes::Bench b;
    request(b, {0x47, 0x02});
    request(b, {0x48});
    FBUS_SEND(b.st, SEND_PUMP);
    b.port.take();
    FBUS_SEND(b.st, SEND_PUMP);
    FBUS_SEND(b.st, SEND_TICK);
    EXPECT_TRUE(b.port.written.empty()) << "nothing while the first awaits its ack";
    FBUS_SEND(b.st, SEND_TICK);
    EXPECT_EQ(b.st.ACK_WAIT, 0);
    EXPECT_TRUE(b.port.written.empty()) << "the tick that ends the wait sends nothing";
    EXPECT_NE(b.msg.log.find("\nWait UI ACK timeout"), std::string::npos);
    FBUS_SEND(b.st, SEND_TICK); // a tick that finds the sender idle sends like a pump
    EXPECT_EQ(b.port.take()[9], 0x48);
    FBUS_SEND(b.st, SEND_ACKED);
    FBUS_SEND(b.st, SEND_PUMP);
    EXPECT_TRUE(b.port.written.empty()) << "the timed-out frame is not sent again";
}

TEST(FbusSender, AckSentAtOnceLeavesTheWaitAlone)
{
    fakes::Bench b;
    request(b, {0x47, 0x02});
    FBUS_SEND(b.st, SEND_PUMP);
    b.port.take();
    b.msg.log.clear();
    b.st.FBUS_RX[3] = 0x00;
    FBUS_ACK(b.st, 0x00);
    EXPECT_EQ(hexOf(b.port.written), "1E 28 00 7F 00 02 00 00 1E 55");
    EXPECT_EQ(b.msg.log, "\n>1E 28 00 7F 00 02 00 00 1E 55              PN ACK");
    EXPECT_EQ(b.st.ACK_WAIT, 1);
    EXPECT_EQ(b.st.LINK.AckCount, 2);
}

TEST(FbusSender, FullQueueRefusesTheTwentiethFrameAndKeepsTheOthers)
{
    fakes::Bench b;
    for (int i = 0; i < 20; ++i)
        request(b, {static_cast<std::uint8_t>(0x29 + i)});
    EXPECT_NE(b.msg.log.find("\nFBUS send queue full: frame not sent"), std::string::npos);
    std::vector<int> sent;
    for (int i = 0; i < 25; ++i) {
        FBUS_SEND(b.st, SEND_PUMP);
        const auto frame = b.port.take();
        if (!frame.empty())
            sent.push_back(frame[9]);
        FBUS_SEND(b.st, SEND_ACKED);
    }
    ASSERT_EQ(sent.size(), 19u);
    EXPECT_EQ(sent.front(), 0x29);
    EXPECT_EQ(sent.back(), 0x29 + 18);
}

TEST(FbusRequest, PayloadOver187BytesIsRefusedBeforeAnythingChanges)
{
    fakes::Bench b;
    request(b, std::vector<std::uint8_t>(188, 0x11));
    EXPECT_EQ(b.st.TX_QUEUE_IN, 0);
    EXPECT_EQ(b.st.FBUS_SEQ, 0x60);
    EXPECT_EQ(b.st.LINK.TransId, 0);
    EXPECT_NE(b.msg.log.find("too long"), std::string::npos);

    request(b, std::vector<std::uint8_t>(187, 0x11)); // the longest that fits
    FBUS_SEND(b.st, SEND_PUMP);
    EXPECT_EQ(b.port.take().size(), 200u);
}

} // namespace
