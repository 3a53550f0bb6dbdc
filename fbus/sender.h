#pragma once

#include <cstdint>

namespace auxpad {

struct Station;

// Writes one byte to the serial port.
void COM_PUT_BYTE(Station& st, std::uint8_t b);

// The queued sender, driven by SEND_TICK, SEND_QUEUE, SEND_NOW, SEND_ACKED, SEND_PUMP.
void FBUS_SEND(Station& st, std::int32_t code);

// Wraps the payload in FBUS_TX (FBUS_TX_LEN bytes, message id first) into a service
// message and queues it.
void FBUS_REQUEST(Station& st);

// Acknowledges the frame in FBUS_RX with the given sequence bits, at once.
void FBUS_ACK(Station& st, std::uint8_t seqBits);

} // namespace auxpad
