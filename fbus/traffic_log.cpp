#include "fbus/traffic_log.h"

#include "app/station.h"

namespace auxpad {

void MSG_LOG(Station& st, const std::string& text)
{
    if (st.io.msgWin.isVisible())
        st.io.msgWin.appendLog(text);
}

void appendHexByte(std::string& line, std::uint8_t b)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    line.push_back(kDigits[b >> 4]);
    line.push_back(kDigits[b & 0x0F]);
    line.push_back(' ');
}

} // namespace auxpad
