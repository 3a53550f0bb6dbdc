#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace auxpad {

using Bytes = std::vector<std::uint8_t>;

// An FBUS frame on the wire: start byte, receiver, sender, type, length (two bytes, high
// byte 0), data, one 00 pad byte when the length is odd, then the XOR of the bytes at even
// offsets and the XOR of the bytes at odd offsets.
inline constexpr std::uint8_t kFrameStart = 0x1E;
inline constexpr std::uint8_t kToolAddress = 0x00;
inline constexpr std::uint8_t kBoardAddress = 0x28;

inline constexpr std::uint8_t kServiceType = 0x00;
inline constexpr std::uint8_t kAckType = 0x7F;
inline constexpr std::uint8_t kRegistrationType = 0xD0;

inline constexpr std::size_t kFrameBufferSize = 201; // the tool's frame buffers
inline constexpr std::size_t kMaxRequestPayload = 187; // a request must still fit one buffer
inline constexpr std::size_t kMaxReceivedLength = 192; // longest data that fits the buffer

// Pads `bytes` to even length with one 00 byte and appends the two XOR bytes.
void appendChecksum(Bytes& bytes);

// A byte as the traffic log shows it: two uppercase hex digits and a blank.
void appendHexByte(std::string& text, std::uint8_t b);

} // namespace auxpad
