#include "board/response.h"

#include <string>

#include "app/station.h"
#include "board/messages.h"
#include "board/prod_record.h"
#include "fbus/traffic_log.h"
#include "platform/latin1.h"

namespace auxpad {

namespace {

constexpr std::uint8_t POWER_UP_IND = 0x06;
constexpr std::uint8_t TEST_INFO_READ_RESP = 0x6C;
constexpr std::uint8_t TEST_INFO_UPDATE_RESP = 0x6D;
constexpr std::uint8_t TEST_PROD_INFO_WRITE_RESP = 0x6E;
constexpr std::uint8_t TEST_SELF_TEST_RESP = 0x6F;
constexpr std::uint8_t TEST_PROD_INFO_RESP = 0x70;

constexpr int ID = 9;
constexpr int STATUS = 10;
constexpr int PROD_RECORD = 11;
constexpr std::uint8_t PASSED = 3;

// The received frame reaches offset `last`; a shorter one is logged and ignored, since
// what lies beyond its end is left over from earlier frames.
bool reaches(Station& st, int last)
{
    const int dataEnd = 6 + st.FBUS_RX[5];
    if (last < dataEnd)
        return true;
    MSG_LOG(st, "\nMessage too short to read: ignored");
    return false;
}

std::string chars(const Station& st, int first, int last)
{
    return platform::latin1ToUtf8(
        std::string(reinterpret_cast<const char*>(st.FBUS_RX.data() + first), static_cast<std::size_t>(last - first + 1)));
}

void appendLine(Station& st, const std::string& line)
{
    st.io.main.setDisp1(st.io.main.disp1() + text::LF + line);
}

void powerUp(Station& st)
{
    ++st.POWER_UP_COUNT;
    st.io.main.setPrgLoadVisible(false);
    st.io.main.setPrgLoadValue(0);
    st.PROD_INFO_WRITE_PENDING = false;
}

void prodInfoWritten(Station& st)
{
    if (!reaches(st, STATUS))
        return;
    if (st.FBUS_RX[STATUS] == 1)
        appendLine(st, text::PROD_INFO_WRITTEN_OK);
    else
        appendLine(st, std::string(text::PROD_INFO_WRITE_FAILED) + text::LF + text::WRITE_OR_FLASH_AGAIN_PLEASE);
    st.PROD_INFO_WRITE_PENDING = false;
    st.io.main.setPrgLoadVisible(false);
}

// Reports a failed self-test; only the product-information job (mode 6) shows anything.
void reportSelfTest(Station& st)
{
    const std::uint8_t* rx = st.FBUS_RX.data();
    if (rx[STATUS] != 1) {
        if (st.JOB_MODE == 6) {
            MSG_BOX(st, text::ERROR02, platform::Icon::Warning);
            st.SELF_TEST_REPLY = 0;
        }
        return;
    }
    if (rx[12] == PASSED && rx[13] == PASSED && rx[14] == PASSED && rx[15] == PASSED && rx[16] == PASSED) {
        st.io.main.setDisp1(text::BOARD_READY);
        return;
    }
    struct Check {
        int offset;
        const char* failure;
        const char* box;
    };
    static constexpr Check checks[] = {
        {12, text::DSP_FAILED, text::ERROR03},
        {14, text::RADIO_FAILED, text::ERROR04},
        {16, text::USB_FAILED, text::ERROR05},
    };
    std::string report = text::SELF_TEST_RESULT;
    for (const Check& c : checks) {
        if (rx[c.offset] == PASSED)
            continue;
        report += c.failure;
        if (st.JOB_MODE == 6) {
            st.io.main.setDisp1(report);
            MSG_BOX(st, c.box, platform::Icon::Warning);
            if (c.offset == 12)
                st.SELF_TEST_REPLY = 0;
            return;
        }
    }
}

void selfTest(Station& st)
{
    if (!reaches(st, 16))
        return;
    st.SELF_TEST_REPLY = 7;
    reportSelfTest(st);
    if (st.JOB_MODE == 1) {
        st.TICKS_LEFT = 1;
        st.JOB_MODE = 2;
    }
    if (st.JOB_MODE == 6)
        st.TICKS_LEFT = 1;
    st.io.main.setPrgLoadVisible(false);
}

void prodInfo(Station& st)
{
    if (!reaches(st, STATUS))
        return;
    if (st.FBUS_RX[STATUS] == 1) {
        if (!reaches(st, PROD_RECORD + static_cast<int>(PROD_RECORD_SIZE) - 1))
            return;
        const auto boxes = decodeProdRecord(st.FBUS_RX.data() + PROD_RECORD);
        for (int b = 0; b < 6; ++b)
            st.io.main.setText(b + 1, platform::latin1ToUtf8(boxes[b]));
    }
    st.PROD_INFO_READ_DONE = true;
    st.TICKS_LEFT = 0;
    st.io.main.setPrgLoadVisible(false);
}

// The board's test-info answers are reported in the traffic log, where the operator who
// asked for them by hand is looking.
void testInfo(Station& st, bool update)
{
    if (!reaches(st, STATUS))
        return;
    std::string report;
    if (st.FBUS_RX[STATUS] == 1) {
        if (!reaches(st, 26))
            return;
        report = std::string(update ? text::TEST_INFO_WRITE : text::TEST_INFO_READ) + "\nResult: " + chars(st, 12, 16)
            + "\nDate: " + chars(st, 17, 22) + "\nNo : " + chars(st, 24, 26);
    } else {
        report = update ? text::TEST_INFO_WRITE_FAILED : text::TEST_INFO_READ_FAILED;
    }
    MSG_LOG(st, "\n" + report);
}

} // namespace

void BOARD_RESPONSE(Station& st)
{
    if (!reaches(st, ID))
        return;
    switch (st.FBUS_RX[ID]) {
    case POWER_UP_IND:
        powerUp(st);
        break;
    case TEST_PROD_INFO_WRITE_RESP:
        prodInfoWritten(st);
        break;
    case TEST_SELF_TEST_RESP:
        selfTest(st);
        break;
    case TEST_PROD_INFO_RESP:
        prodInfo(st);
        break;
    case TEST_INFO_READ_RESP:
        testInfo(st, false);
        break;
    case TEST_INFO_UPDATE_RESP:
        testInfo(st, true);
        break;
    default:
        break;
    }
}

} // namespace auxpad
