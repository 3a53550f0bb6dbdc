#pragma once

#include "core/types.h"

#include <optional>
#include <span>

namespace auxsim {

namespace fbus {
constexpr std::uint8_t kStart = 0x1E;
constexpr std::uint8_t kToolAddr = 0x00;
constexpr std::uint8_t kBoardAddr = 0x28;

constexpr std::uint8_t kTypeService = 0x00;
constexpr std::uint8_t kTypeAck = 0x7F;
constexpr std::uint8_t kTypeRegistration = 0xD0;

constexpr std::size_t kHeaderSize = 6;
// The tool's buffers hold 201 bytes, so its frames carry at most 192 data bytes.
constexpr std::size_t kMaxDataLen = 192;
// Data bytes of a service message besides its id and params:
// 42 D2, transaction number, index 01, sequence byte.
constexpr std::size_t kServiceOverhead = 5;
constexpr std::uint8_t kServiceHi = 0x42;
constexpr std::uint8_t kServiceLo = 0xD2;
constexpr std::uint8_t kIndexNumber = 0x01;
constexpr std::uint8_t kFirstSeq = 0x60;
} // namespace fbus

struct Frame {
    std::uint8_t receiver = 0;
    std::uint8_t sender = 0;
    std::uint8_t type = 0;
    Bytes data;
};

enum class FrameVerdict {
    Ok,
    BadStart,
    WrongReceiver,
    WrongSender,
    LengthHighByte,
    LengthTooLong,
    WrongSize,
    BadPadding,
    BadChecksum,
};

const char *verdictText(FrameVerdict verdict);

struct DecodedFrame {
    FrameVerdict verdict = FrameVerdict::Ok;
    Frame frame; // filled when verdict is Ok
};

// Pads to even length with one 00 byte and appends the XOR of the bytes at
// even offsets and the XOR of the bytes at odd offsets.
void appendChecksum(Bytes &bytes);

// Total wire size of a frame with the given data length.
std::size_t frameSize(std::size_t dataLen);

Bytes encodeFrame(const Frame &frame);

// Checks one complete frame: start byte, both addresses, length, size,
// padding byte and both checksums.
DecodedFrame decodeFrame(std::span<const std::uint8_t> bytes, std::uint8_t receiver,
                         std::uint8_t sender);

// The fields of a service message (frame type 00).
struct ServiceMessage {
    std::uint8_t transId = 0;
    std::uint8_t id = 0;
    Bytes params;
    std::uint8_t index = fbus::kIndexNumber;
    std::uint8_t seq = 0;
};

Bytes serviceData(const ServiceMessage &message);
std::optional<ServiceMessage> parseServiceData(std::span<const std::uint8_t> data);

// The sequence-byte series 60, 41, 42, ..., 47, 40, 41, ...
constexpr std::uint8_t nextSeq(std::uint8_t seq)
{
    return static_cast<std::uint8_t>(((seq + 1) & 7) | 0x40);
}

} // namespace auxsim
