#include "bootload/boot_block.h"

#include <algorithm>
#include <cstdint>

#include "app/station.h"
#include "bootload/messages.h"
#include "fbus/checksum.h"
#include "fbus/hex_text.h"
#include "fbus/sender.h"

namespace auxpad {

namespace {
constexpr int HEADER = 4;
}

bool SEND_BOOT_BLOCK(Station& st, const std::string& blockText)
{
    std::uint8_t block[FBUS_BUFFER_SIZE] = {};
    std::string text = "80 12 0 FF " + blockText;
    // Parsing stops storing at the largest block, so an oversized one cannot overrun.
    const std::int32_t n = HEX_TO_BYTES(st, text, block, HEADER + BOOT_MAX_DATA);
    const std::int32_t length = n - HEADER;
    if (n < HEADER || length > BOOT_MAX_DATA || (length & 1)) {
        MSG_BOX(st, text::ERROR06, platform::Icon::Critical);
        return false;
    }
    if (length == 0)
        return true;
    block[3] = static_cast<std::uint8_t>(length);
    auto size = static_cast<std::uint8_t>(n);
    FBUS_CHECKSUM(block, size);
    for (int i = 0; i < size; ++i)
        COM_PUT_BYTE(st, block[i]);
    st.io.port.flush(); // the 5 s wait starts once the block is on the line
    return WAIT_BOOT_ACK(st);
}

bool WAIT_BOOT_ACK(Station& st)
{
    const std::int32_t t0 = st.io.clock.tickCount();
    for (;;) {
        const std::int32_t elapsed = platform::tickDiff(st.io.clock.tickCount(), t0);
        if (elapsed > BOOT_ACK_TIMEOUT_MS)
            return false;
        if (st.io.port.bytesWaiting() == 0) {
            // Sleep on the port rather than spin; wake just past the limit at the latest.
            st.io.port.waitForData(BOOT_ACK_TIMEOUT_MS + 1 - elapsed);
            continue;
        }
        const auto bytes = st.io.port.readAll();
        if (std::find(bytes.begin(), bytes.end(), BOOT_ACK) != bytes.end())
            return true;
    }
}

void SET_FLASH_OK(Station& st, bool ok)
{
    st.FLASH_OK = ok;
}

} // namespace auxpad
