#pragma once

#include <cstdint>

namespace auxpad {

// Counters of the sender and the receiver, in the order the link keeps them.
struct LINK_STATE {
    std::int16_t AckCount = 0;  // timer ticks left in the acknowledgement wait
    std::uint8_t AckType = 0;   // message type of the frame awaiting its acknowledgement
    std::uint8_t AckSeq = 0;    // low three bits of the sequence byte of the last request
    std::uint8_t TransId = 0;   // transaction number of the next service message
    std::int16_t RxCount = 0;   // ticks left before a half-received frame is dropped
    std::int16_t RxParity = 0;  // 0: next data byte goes into the even XOR, 1: the odd one
    std::uint8_t RxXorEven = 0; // running XOR of received bytes at even offsets
    std::uint8_t RxXorOdd = 0;  // running XOR of received bytes at odd offsets
};

// Event codes of FBUS_SEND.
constexpr std::int32_t SEND_TICK = 0;
constexpr std::int32_t SEND_QUEUE = 2;
constexpr std::int32_t SEND_NOW = 3;
constexpr std::int32_t SEND_ACKED = 4;
constexpr std::int32_t SEND_PUMP = 7;

// Event codes of FBUS_RECEIVE.
constexpr std::int32_t RX_TICK = 0;
constexpr std::int32_t RX_BYTE = 1;

// Frame layout.
constexpr std::uint8_t FRAME_START = 0x1E;
constexpr std::uint8_t ADDR_TOOL = 0x00;
constexpr std::uint8_t ADDR_BOARD = 0x28;
constexpr std::uint8_t TYPE_SERVICE = 0x00;
constexpr std::uint8_t TYPE_ACK = 0x7F;
constexpr std::uint8_t TYPE_REGISTRATION = 0xD0;

constexpr int FBUS_BUFFER_SIZE = 201;  // FBUS_TX, FBUS_RX and every queue slot
constexpr int TX_QUEUE_SLOTS = 21;     // slot 20 exists but the ring uses 0 to 19
constexpr int TX_QUEUE_RING = 20;
constexpr int MAX_REQUEST_PAYLOAD = 187; // a request frame with pad and checksum must fit 201 bytes
constexpr int MAX_RX_DATA_LENGTH = 192;  // longest frame that fits FBUS_RX

} // namespace auxpad
