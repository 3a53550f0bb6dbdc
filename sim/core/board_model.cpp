#include "core/board_model.h"

#include "core/hex_text.h"
#include "core/message_names.h"

namespace auxsim {
namespace {

// A byte in the self-test answer that the tool does not look at.
constexpr std::uint8_t kSelfTestFiller = 0x05;

Frame boardFrame(std::uint8_t type, Bytes data)
{
    return Frame{fbus::kToolAddr, fbus::kBoardAddr, type, std::move(data)};
}

} // namespace

BoardReaction BoardModel::handle(const Frame &frame)
{
    BoardReaction reaction;
    if (frame.type == fbus::kTypeAck)
        return reaction; // acknowledgements are never acknowledged
    if (frame.data.empty()) {
        reaction.notes.push_back("frame without data bytes has no sequence byte: not acknowledged");
        return reaction;
    }
    reaction.ack = ack(frame.type, static_cast<std::uint8_t>(frame.data.back() & 7));

    if (frame.type == fbus::kTypeRegistration)
        return reaction;
    if (frame.type != fbus::kTypeService) {
        reaction.notes.push_back("unknown frame type " + toHex(frame.type) + ": acknowledged only");
        return reaction;
    }
    const auto message = parseServiceData(frame.data);
    if (!message) {
        reaction.notes.push_back("service frame without 42 D2 header: acknowledged only");
        return reaction;
    }
    if (message->index != fbus::kIndexNumber)
        reaction.notes.push_back("index number " + toHex(message->index) + " instead of 01");
    reaction.answer = answer(*message, reaction);
    return reaction;
}

std::optional<OutFrame> BoardModel::answer(const ServiceMessage &message, BoardReaction &reaction)
{
    switch (message.id) {
    case msgid::kSelfTestReq: {
        Bytes params{config_.selfTestStatus, kSelfTestFiller};
        params.insert(params.end(), config_.selfTestCodes.begin(), config_.selfTestCodes.end());
        return serviceMessage(msgid::kSelfTestResp, params);
    }
    case msgid::kProdInfoReq: {
        Bytes params{config_.prodInfoStatus};
        params.insert(params.end(), config_.record.begin(), config_.record.end());
        return serviceMessage(msgid::kProdInfoResp, params);
    }
    case msgid::kProdInfoWriteReq:
        return prodInfoWrite(message, reaction);
    default:
        reaction.notes.push_back("acknowledged only: the board gives no answer to this id");
        return std::nullopt;
    }
}

OutFrame BoardModel::prodInfoWrite(const ServiceMessage &message, BoardReaction &reaction)
{
    std::uint8_t status = config_.prodWriteStatus;
    if (!isWellFormedRecord(message.params)) {
        // A board that could not take the record cannot report success.
        reaction.notes.push_back("malformed product information record (" + std::to_string(message.params.size())
                                 + " bytes): not stored, answered with status 00");
        status = 0;
    } else if (status != 1) {
        reaction.notes.push_back("write refused with status " + toHex(status) + ": record not stored");
    } else {
        std::copy(message.params.begin(), message.params.end(), config_.record.begin());
        if (config_.misstoreSerial) {
            // A flash cell gone bad: the write is answered as done, the read shows otherwise.
            // The serial's length byte, then its nine characters.
            std::uint8_t& last = config_.record[prodrec::kLengthOffsets[3] + prodrec::kLengths[3]];
            last = last == 'X' ? 'Y' : 'X';
            reaction.notes.push_back("the serial number is stored wrongly (--misstore-serial)");
        }
        reaction.recordStored = true;
        const ProdInfo info = describeRecord(config_.record);
        reaction.notes.push_back("stored product information: " + info.hardware + "," + info.mcuSw + ","
                                 + info.dspSw + "," + info.serial + "," + info.code + "," + info.date);
    }
    const Bytes params{status};
    return serviceMessage(msgid::kProdInfoWriteResp, params);
}

OutFrame BoardModel::serviceMessage(std::uint8_t id, std::span<const std::uint8_t> params)
{
    ServiceMessage message;
    message.transId = transId_;
    transId_ = static_cast<std::uint8_t>((transId_ + 1) & 0x7F);
    message.id = id;
    message.params.assign(params.begin(), params.end());
    message.seq = takeSeq();

    OutFrame out;
    out.bytes = encodeFrame(boardFrame(fbus::kTypeService, serviceData(message)));
    out.label = messageName(id);
    if (out.label.empty())
        out.label = "message " + toHex(id);
    out.isMessage = true;
    out.seqBits = message.seq & 7;
    return out;
}

OutFrame BoardModel::registration()
{
    OutFrame out;
    out.bytes = encodeFrame(boardFrame(fbus::kTypeRegistration, Bytes{0x05, fbus::kIndexNumber, takeSeq()}));
    out.label = "registration";
    return out;
}

OutFrame BoardModel::ack(std::uint8_t type, std::uint8_t seqBits)
{
    OutFrame out;
    out.bytes = encodeFrame(boardFrame(fbus::kTypeAck, Bytes{type, seqBits}));
    out.label = "ack";
    return out;
}

std::uint8_t BoardModel::takeSeq()
{
    const std::uint8_t seq = seq_;
    seq_ = nextSeq(seq_);
    return seq;
}

} // namespace auxsim
