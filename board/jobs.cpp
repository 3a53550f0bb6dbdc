#include "board/jobs.h"

#include "app/station.h"
#include "board/messages.h"
#include "fbus/sender.h"

namespace auxpad {

namespace {
constexpr std::uint8_t TEST_SELF_TEST_REQ = 0x47;
constexpr std::int32_t BOARD_CHECK_TICKS = 20;
} // namespace

void BOARD_TEST(Station& st)
{
    st.FBUS_TX[0] = TEST_SELF_TEST_REQ;
    st.FBUS_TX[1] = 0x02;
    st.FBUS_TX_LEN = 2;
    st.io.main.setDisp1(text::TESTING);
    FBUS_REQUEST(st);
    st.TICKS_LEFT = BOARD_CHECK_TICKS;
    st.io.main.setPrgLoadVisible(true);
    st.io.main.setPrgLoadValue(0);
}

void FLASH_JOB_START(Station& st)
{
    BOARD_TEST(st);
    st.JOB_MODE = 1;
    st.SELF_TEST_REPLY = 0;
}

void PROD_JOB_START(Station& st)
{
    if (st.JOB_MODE != 0) {
        st.io.main.setDisp1(text::NOT_READY);
        return;
    }
    BOARD_TEST(st);
    st.JOB_MODE = 6;
    st.SELF_TEST_REPLY = 0;
}

void Prod_info_Click(Station& st)
{
    PROD_JOB_START(st);
}

} // namespace auxpad
