#pragma once

#include <string>

namespace auxpad {

struct Station;

constexpr int BOOT_MAX_DATA = 194; // 4 header bytes + data + 2 checksum bytes fit 201
constexpr int BOOT_ACK_TIMEOUT_MS = 5000;
constexpr unsigned char BOOT_ACK = 0x90;

// Turns up to six download lines (each preceded by a blank) into a bootloader block,
// sends it and awaits its acknowledgement. True when acknowledged or empty.
bool SEND_BOOT_BLOCK(Station& st, const std::string& blockText);

// Reads the port without the event loop until 0x90 arrives (true) or 5000 ms have
// passed (false). Everything read is consumed.
bool WAIT_BOOT_ACK(Station& st);

void SET_FLASH_OK(Station& st, bool ok);

} // namespace auxpad
