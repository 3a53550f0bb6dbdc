#include "board/prod_info.h"

#include <algorithm>
#include <optional>
#include <string>

#include "app/flash_ini.h"
#include "app/station.h"
#include "board/messages.h"
#include "board/prod_record.h"
#include "fbus/sender.h"
#include "platform/latin1.h"

namespace auxpad {

namespace {

constexpr std::uint8_t TEST_PROD_INFO_WRITE_REQ = 0x46;
constexpr std::uint8_t TEST_PROD_INFO_REQ = 0x48;

void notWritten(Station& st, const std::string& why)
{
    MSG_BOX(st, why, platform::Icon::None);
    st.io.main.setDisp1(why + text::LF + text::PROD_INFO_NOT_WRITTEN);
}

// The six boxes as 8-bit characters, or nullopt after telling the operator which box
// holds a character that does not fit one byte.
std::optional<std::array<std::string, 6>> boxesAsBytes(Station& st)
{
    std::array<std::string, 6> boxes;
    for (int b = 0; b < 6; ++b) {
        const auto bytes = platform::utf8ToLatin1(st.io.main.text(b + 1));
        if (!bytes) {
            const std::string name(PROD_FIELDS[b].checkText, std::string_view(PROD_FIELDS[b].checkText).find('!'));
            notWritten(st, name + text::NOT_ONE_BYTE);
            return std::nullopt;
        }
        boxes[b] = *bytes;
    }
    return boxes;
}

} // namespace

bool CHECK_PROD_INFO(Station& st)
{
    for (int b = 0; b < 6; ++b) {
        if (platform::utf8Length(st.io.main.text(b + 1)) != PROD_FIELDS[b].length) {
            const std::string message = std::string(text::PLEASE_CHECK_AUXPAD) + PROD_FIELDS[b].checkText;
            MSG_BOX(st, message, platform::Icon::None);
            st.io.main.setDisp1(message);
            return false;
        }
    }
    return true;
}

void WRITE_PROD_INFO(Station& st)
{
    if (!CHECK_PROD_INFO(st)) {
        st.io.main.setDisp1(st.io.main.disp1() + text::LF + text::PROD_INFO_NOT_WRITTEN);
        return;
    }
    if (!CHECK_MANUFACTURE_DATE(st)) {
        MSG_BOX(st, std::string(text::ERROR15) + text::PLEASE_CHECK, platform::Icon::None);
        st.io.main.setDisp1(std::string(text::ERROR15) + text::LF + text::PROD_INFO_NOT_WRITTEN);
        return;
    }
    const auto boxes = boxesAsBytes(st);
    if (!boxes)
        return;
    const auto record = encodeProdRecord(*boxes);
    st.FBUS_TX[0] = TEST_PROD_INFO_WRITE_REQ;
    std::copy(record.begin(), record.end(), st.FBUS_TX.begin() + 1);
    st.FBUS_TX_LEN = 1 + PROD_RECORD_SIZE;
    st.io.main.setDisp1(text::WRITING_PROD_INFO);
    FBUS_REQUEST(st);
    st.PROD_INFO_WRITE_PENDING = true;
    st.PROD_INFO_WRITE_START = st.io.clock.tickCount();
    st.io.main.setPrgLoadVisible(true);
    st.io.main.setPrgLoadValue(0);
}

void READ_PROD_INFO(Station& st)
{
    st.FBUS_TX[0] = TEST_PROD_INFO_REQ;
    st.FBUS_TX_LEN = 1;
    st.io.main.setDisp1(text::READING_PROD_INFO);
    st.PROD_INFO_READ_DONE = false;
    FBUS_REQUEST(st);
    st.io.main.setPrgLoadVisible(true);
    st.io.main.setPrgLoadValue(0);
}

} // namespace auxpad
