#include "core/fbus_frame.h"

namespace auxsim {

const char *verdictText(FrameVerdict verdict)
{
    switch (verdict) {
    case FrameVerdict::Ok: return "ok";
    case FrameVerdict::BadStart: return "bad start byte";
    case FrameVerdict::WrongReceiver: return "wrong receiver address";
    case FrameVerdict::WrongSender: return "wrong sender address";
    case FrameVerdict::LengthHighByte: return "length high byte not 00";
    case FrameVerdict::LengthTooLong: return "length over 192";
    case FrameVerdict::WrongSize: return "frame size does not match its length";
    case FrameVerdict::BadPadding: return "padding byte not 00";
    case FrameVerdict::BadChecksum: return "bad checksum";
    }
    return "?";
}

void appendChecksum(Bytes &bytes)
{
    if (bytes.size() % 2 != 0)
        bytes.push_back(0x00);
    std::uint8_t even = 0;
    std::uint8_t odd = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        even ^= bytes[i];
        odd ^= bytes[i + 1];
    }
    bytes.push_back(even);
    bytes.push_back(odd);
}

std::size_t frameSize(std::size_t dataLen)
{
    return fbus::kHeaderSize + dataLen + (dataLen & 1) + 2;
}

Bytes encodeFrame(const Frame &frame)
{
    Bytes out{fbus::kStart, frame.receiver, frame.sender, frame.type, 0x00,
              static_cast<std::uint8_t>(frame.data.size())};
    out.insert(out.end(), frame.data.begin(), frame.data.end());
    appendChecksum(out);
    return out;
}

DecodedFrame decodeFrame(std::span<const std::uint8_t> bytes, std::uint8_t receiver,
                         std::uint8_t sender)
{
    DecodedFrame result;
    auto fail = [&result](FrameVerdict v) {
        result.verdict = v;
        return result;
    };
    if (bytes.size() < fbus::kHeaderSize + 2 || bytes[0] != fbus::kStart)
        return fail(bytes.empty() || bytes[0] != fbus::kStart ? FrameVerdict::BadStart
                                                              : FrameVerdict::WrongSize);
    if (bytes[1] != receiver)
        return fail(FrameVerdict::WrongReceiver);
    if (bytes[2] != sender)
        return fail(FrameVerdict::WrongSender);
    if (bytes[4] != 0x00)
        return fail(FrameVerdict::LengthHighByte);
    const std::size_t len = bytes[5];
    if (len > fbus::kMaxDataLen)
        return fail(FrameVerdict::LengthTooLong);
    if (bytes.size() != frameSize(len))
        return fail(FrameVerdict::WrongSize);
    if (len % 2 != 0 && bytes[fbus::kHeaderSize + len] != 0x00)
        return fail(FrameVerdict::BadPadding);
    std::uint8_t even = 0;
    std::uint8_t odd = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        even ^= bytes[i];
        odd ^= bytes[i + 1];
    }
    if (even != 0 || odd != 0)
        return fail(FrameVerdict::BadChecksum);
    result.frame.receiver = bytes[1];
    result.frame.sender = bytes[2];
    result.frame.type = bytes[3];
    result.frame.data.assign(bytes.begin() + fbus::kHeaderSize,
                             bytes.begin() + static_cast<std::ptrdiff_t>(fbus::kHeaderSize + len));
    return result;
}

Bytes serviceData(const ServiceMessage &message)
{
    Bytes data{fbus::kServiceHi, fbus::kServiceLo, message.transId, message.id};
    data.insert(data.end(), message.params.begin(), message.params.end());
    data.push_back(message.index);
    data.push_back(message.seq);
    return data;
}

std::optional<ServiceMessage> parseServiceData(std::span<const std::uint8_t> data)
{
    if (data.size() < fbus::kServiceOverhead + 1 || data[0] != fbus::kServiceHi
        || data[1] != fbus::kServiceLo)
        return std::nullopt;
    ServiceMessage message;
    message.transId = data[2];
    message.id = data[3];
    message.params.assign(data.begin() + 4, data.end() - 2);
    message.index = data[data.size() - 2];
    message.seq = data.back();
    return message;
}

} // namespace auxsim
