#include "core/board_model.h"
#include "core/fbus_frame.h"
#include "core/message_names.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace auxsim {
namespace {

using testing::hx;

const Bytes kToolSelfTest = hx("1E 28 00 00 00 07 42 D2 00 47 02 01 60 00 3E BB");
const Bytes kToolRegReply = hx("1E 28 00 D0 00 03 05 01 41 00 5A FA");
const Bytes kBoardAck = hx("1E 00 28 7F 00 02 00 00 36 7D");
const Bytes kToolAck = hx("1E 28 00 7F 00 02 00 00 1E 55");

Frame toolFrame(std::uint8_t type, Bytes data) { return Frame{fbus::kBoardAddr, fbus::kToolAddr, type, std::move(data)}; }

TEST(FrameEncoding, ReproducesTheWireExamples)
{
    ServiceMessage selfTest;
    selfTest.id = 0x47;
    selfTest.params = {0x02};
    selfTest.seq = 0x60;
    EXPECT_EQ(encodeFrame(toolFrame(fbus::kTypeService, serviceData(selfTest))), kToolSelfTest);
    EXPECT_EQ(encodeFrame(toolFrame(fbus::kTypeRegistration, hx("05 01 41"))), kToolRegReply);
    EXPECT_EQ(encodeFrame(toolFrame(fbus::kTypeAck, hx("00 00"))), kToolAck);
    EXPECT_EQ(BoardModel::ack(0x00, 0).bytes, kBoardAck);
}

TEST(FrameEncoding, ChecksumPadsOddFramesOnly)
{
    Bytes odd = hx("1E 28 00 D0 00 03 05 01 41");
    appendChecksum(odd);
    EXPECT_EQ(odd, kToolRegReply);

    Bytes even = hx("1E 28 00 7F 00 02 00 00");
    appendChecksum(even);
    EXPECT_EQ(even, kToolAck);
    EXPECT_EQ(frameSize(3), 12u);
    EXPECT_EQ(frameSize(2), 10u);
}

TEST(FrameDecoding, AcceptsTheExamplesInTheirDirection)
{
    const DecodedFrame selfTest = decodeFrame(kToolSelfTest, fbus::kBoardAddr, fbus::kToolAddr);
    ASSERT_EQ(selfTest.verdict, FrameVerdict::Ok);
    EXPECT_EQ(selfTest.frame.type, fbus::kTypeService);
    const auto message = parseServiceData(selfTest.frame.data);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->transId, 0);
    EXPECT_EQ(message->id, 0x47);
    EXPECT_EQ(message->params, hx("02"));
    EXPECT_EQ(message->index, 0x01);
    EXPECT_EQ(message->seq, 0x60);

    const DecodedFrame reg = decodeFrame(kToolRegReply, fbus::kBoardAddr, fbus::kToolAddr);
    ASSERT_EQ(reg.verdict, FrameVerdict::Ok);
    EXPECT_EQ(reg.frame.data, hx("05 01 41")); // the padding byte is not data

    EXPECT_EQ(decodeFrame(kToolAck, fbus::kBoardAddr, fbus::kToolAddr).verdict, FrameVerdict::Ok);
    const DecodedFrame boardAck = decodeFrame(kBoardAck, fbus::kToolAddr, fbus::kBoardAddr);
    ASSERT_EQ(boardAck.verdict, FrameVerdict::Ok);
    EXPECT_EQ(boardAck.frame.data, hx("00 00"));

    // The board's frame is not a frame from the tool.
    EXPECT_EQ(decodeFrame(kBoardAck, fbus::kBoardAddr, fbus::kToolAddr).verdict, FrameVerdict::WrongReceiver);
}

TEST(FrameDecoding, RejectsEveryExampleWithAnyOneByteChanged)
{
    const std::vector<std::pair<Bytes, bool>> examples = {
        {kToolSelfTest, true}, {kToolRegReply, true}, {kToolAck, true}, {kBoardAck, false}};
    for (const auto &[frame, fromTool] : examples) {
        const std::uint8_t rx = fromTool ? fbus::kBoardAddr : fbus::kToolAddr;
        const std::uint8_t tx = fromTool ? fbus::kToolAddr : fbus::kBoardAddr;
        for (std::size_t i = 0; i < frame.size(); ++i) {
            for (std::uint8_t flip : {0x01, 0x80, 0xFF}) {
                Bytes spoiled = frame;
                spoiled[i] ^= flip;
                EXPECT_NE(decodeFrame(spoiled, rx, tx).verdict, FrameVerdict::Ok)
                    << toHex(frame) << " with byte " << i << " xor " << int(flip);
            }
        }
    }
}

TEST(FrameDecoding, NamesWhatIsWrong)
{
    auto verdict = [](const Bytes &bytes) { return decodeFrame(bytes, fbus::kBoardAddr, fbus::kToolAddr).verdict; };
    // A padding byte of 01 with checksums that match it.
    Bytes badPad = hx("1E 28 00 D0 00 03 05 01 41 01");
    appendChecksum(badPad);
    EXPECT_EQ(verdict(badPad), FrameVerdict::BadPadding);

    Bytes longFrame = hx("1E 28 00 00 00 C1");
    longFrame.resize(frameSize(0xC1), 0);
    EXPECT_EQ(verdict(longFrame), FrameVerdict::LengthTooLong);

    Bytes truncated = kToolSelfTest;
    truncated.pop_back();
    EXPECT_EQ(verdict(truncated), FrameVerdict::WrongSize);

    Bytes badLast = kToolAck;
    badLast.back() ^= 0x10;
    EXPECT_EQ(verdict(badLast), FrameVerdict::BadChecksum);
}

TEST(ServiceMessages, SequenceSeriesWrapsInTheLowThreeBits)
{
    std::vector<std::uint8_t> series{fbus::kFirstSeq};
    for (int i = 0; i < 9; ++i)
        series.push_back(nextSeq(series.back()));
    EXPECT_EQ(series, (std::vector<std::uint8_t>{0x60, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x40, 0x41}));
}

TEST(ServiceMessages, ShortOrForeignDataIsNotAServiceMessage)
{
    EXPECT_FALSE(parseServiceData(hx("42 D2 00 01 60")));    // no room for an id
    EXPECT_FALSE(parseServiceData(hx("42 D3 00 47 01 60"))); // wrong marker
    const auto noParams = parseServiceData(hx("42 D2 05 06 01 43"));
    ASSERT_TRUE(noParams);
    EXPECT_EQ(noParams->id, 0x06);
    EXPECT_TRUE(noParams->params.empty());
}

TEST(MessageNames, CoverIndicationsRequestsAndResponses)
{
    EXPECT_EQ(messageName(0x02), "_CTRL_STATUS_IND");
    EXPECT_EQ(messageName(0x06), "_POWER_UP_IND");
    EXPECT_EQ(messageName(0x29), "_CTRL_MEM_STATUS_REQ");
    EXPECT_EQ(messageName(0x47), "_TEST_SELF_TEST_REQ");
    EXPECT_EQ(messageName(0x4F), "_CTRL_SYNC_REQ");
    EXPECT_EQ(messageName(0x5E), "_RECORDER_CTRL_RESP");
    EXPECT_EQ(messageName(0x6F), "_TEST_SELF_TEST_RESP");
    EXPECT_EQ(messageName(0x77), "_CTRL_SYNC_RESP");
    EXPECT_EQ(messageName(0xFF), "_MESSAGE_NOT_DEFINED");
    for (std::uint8_t id : {0x00, 0x07, 0x28, 0x50, 0x78})
        EXPECT_EQ(messageName(id), "") << int(id);
}

TEST(HexText, ParsesPairsAndRefusesJunk)
{
    EXPECT_EQ(parseHexBytes("47 02"), hx("47 02"));
    EXPECT_EQ(parseHexBytes("4702,a"), (Bytes{0x47, 0x02, 0x0A}));
    EXPECT_EQ(parseHexBytes(""), Bytes{});
    EXPECT_FALSE(parseHexBytes("123"));
    EXPECT_FALSE(parseHexBytes("4g"));
    EXPECT_EQ(toHex(hx("1e 0a")), "1E 0A");
}

} // namespace
} // namespace auxsim
