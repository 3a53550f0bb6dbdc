#include "core/board_model.h"
#include "core/message_names.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace auxsim {
namespace {

using testing::hx;

Frame toolRequest(std::uint8_t id, const Bytes &params = {}, std::uint8_t seq = 0x60)
{
    ServiceMessage m;
    m.id = id;
    m.params = params;
    m.seq = seq;
    return Frame{fbus::kBoardAddr, fbus::kToolAddr, fbus::kTypeService, serviceData(m)};
}

// The board's frame as the tool receives it, checked on the way.
Bytes boardWire(const std::optional<OutFrame> &out)
{
    EXPECT_TRUE(out);
    if (!out)
        return {};
    EXPECT_EQ(decodeFrame(out->bytes, fbus::kToolAddr, fbus::kBoardAddr).verdict, FrameVerdict::Ok);
    return out->bytes;
}

// The tool's write payload for 1234 / 123456789ab / 123456789ab / 123456789 /
// 1234567 / 150603, without its message id.
const Bytes kWrittenRecord = hx("04 31 32 33 34 0B 31 32 33 34 35 36 37 38 39 61 62 0B 31 32 33 34 35 36 37 38 39 61 "
                                "62 09 31 32 33 34 35 36 37 38 39 07 31 32 33 34 35 36 37 04 30 36 30 33 02 31 35");

TEST(BoardAnswers, ProductInfoWriteKeepsTheRecordWhenRefusedOrMalformed)
{
    const BoardConfig defaults;
    const Bytes original(defaults.record.begin(), defaults.record.end());

    BoardConfig refusing;
    refusing.prodWriteStatus = 2;
    BoardModel board{refusing};
    BoardReaction r = board.handle(toolRequest(msgid::kProdInfoWriteReq, kWrittenRecord));
    EXPECT_FALSE(r.recordStored);
    EXPECT_EQ(boardWire(r.answer)[10], 2);

    BoardModel plain{defaults};
    Bytes shortRecord(kWrittenRecord.begin(), kWrittenRecord.end() - 1);
    Bytes wrongLength = kWrittenRecord;
    wrongLength[47] = 5; // the MMYY length byte
    for (const Bytes &bad : {shortRecord, wrongLength}) {
        r = plain.handle(toolRequest(msgid::kProdInfoWriteReq, bad));
        EXPECT_FALSE(r.recordStored);
        EXPECT_EQ(boardWire(r.answer)[10], 0);
        EXPECT_FALSE(r.notes.empty());
    }
    EXPECT_EQ(Bytes(plain.record().begin(), plain.record().end()), original);
    EXPECT_EQ(Bytes(board.record().begin(), board.record().end()), original);
}

TEST(MessageNames, EachRangeIsNamedFromItsFirstIdToItsLast)
{
    EXPECT_EQ(messageName(0x29), "_CTRL_MEM_STATUS_REQ");
    EXPECT_EQ(messageName(0x51), "_CTRL_MEM_STATUS_RESP");
    EXPECT_EQ(messageName(0x4F), "_CTRL_SYNC_REQ");
    EXPECT_EQ(messageName(0x50), "");
    EXPECT_EQ(BoardModel{BoardConfig{}}.serviceMessage(0x51, {}).label, "_CTRL_MEM_STATUS_RESP") << "as the log names it";
}

TEST(BoardOwnFrames, TransactionNumberWrapsAfter127)
{
    BoardModel board{BoardConfig{}};
    std::uint8_t last = 0;
    for (int i = 0; i < 129; ++i)
        last = board.serviceMessage(0x02, {}).bytes[8];
    EXPECT_EQ(last, 0); // the 129th message carries 128 & 0x7F
    EXPECT_EQ(board.serviceMessage(0x02, {}).bytes[8], 1);
}

TEST(ProductRecord, BuildsFromTheSixItemsOrExplainsWhyNot)
{
    std::string error;
    const auto record = parseProdInfoText("1234,123456789ab,123456789ab,123456789,1234567,150603", &error);
    ASSERT_TRUE(record);
    EXPECT_EQ(Bytes(record->begin(), record->end()), kWrittenRecord);
    EXPECT_TRUE(isWellFormedRecord(kWrittenRecord));
    for (std::size_t f = 0; f < prodrec::kFieldCount; ++f) { // any length byte out of place
        Bytes wrong = kWrittenRecord;
        ++wrong[prodrec::kLengthOffsets[f]];
        EXPECT_FALSE(isWellFormedRecord(wrong)) << "field " << f;
    }
    EXPECT_EQ(describeRecord(*record).date, "150603");

    EXPECT_FALSE(parseProdInfoText("123,123456789ab,123456789ab,123456789,1234567,150603", &error));
    EXPECT_NE(error.find("4, 11, 11"), std::string::npos);
    EXPECT_FALSE(parseProdInfoText("1234,123456789ab,123456789ab,123456789,1234567", &error));
    EXPECT_FALSE(parseProdInfoText("1234,123456789ab,123456789ab,123456789,1234567,150603,x", &error));
}

} // namespace
} // namespace auxsim
