#include "fbus/msg_commands.h"

#include "app/station.h"
#include "fbus/hex_text.h"
#include "fbus/sender.h"

namespace auxpad {

void SEND_HEX_MSG(Station& st, std::string& text)
{
    const std::int32_t n = HEX_TO_BYTES(st, text, st.FBUS_TX.data(), MAX_REQUEST_PAYLOAD);
    if (n > MAX_REQUEST_PAYLOAD) {
        // Too long for one frame: nothing is sent rather than a cut-down message.
        st.io.main.setDisp1("Data Error");
        return;
    }
    // A bad character yields 0 bytes and the empty request still goes out; "Data Error"
    // in DISP1 tells the operator why.
    st.FBUS_TX_LEN = static_cast<std::uint8_t>(n);
    FBUS_REQUEST(st);
}

void BT_SEND_MSG_Click(Station& st, const std::string& msgInput)
{
    std::string text = msgInput;
    SEND_HEX_MSG(st, text);
}

} // namespace auxpad
