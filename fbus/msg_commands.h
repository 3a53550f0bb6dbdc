#pragma once

#include <string>

namespace auxpad {

struct Station;

// Parses an operator's hexadecimal payload into FBUS_TX and queues it as a request.
void SEND_HEX_MSG(Station& st, std::string& text);

// SEND on the message window, with the text of msg_input.
void BT_SEND_MSG_Click(Station& st, const std::string& msgInput);

} // namespace auxpad
