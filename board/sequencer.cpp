#include "board/sequencer.h"

#include <algorithm>
#include <string>

#include "app/flash_ini.h"
#include "app/ini_text.h"
#include "app/station.h"
#include "board/messages.h"
#include "board/prod_info.h"
#include "bootload/downloads.h"

namespace auxpad {

namespace {

using platform::tickDiff;

enum Mode : std::int32_t {
    IDLE = 0,
    FLASH_BOARD_CHECK = 1,
    FLASH_READ_INFO = 2,
    FLASH_WAIT_INFO = 3,
    FLASH_INIT_DISK = 4,
    FLASH_FORMAT_WAIT = 5,
    PROD_BOARD_CHECK = 6,
};

constexpr std::int32_t BOARD_CHECK_TICKS = 20;
constexpr std::int32_t READ_INFO_TICKS = 10;

void showBar(Station& st, double value)
{
    st.io.main.setPrgLoadVisible(true);
    st.io.main.setPrgLoadValue(static_cast<float>(value));
}

void hideBar(Station& st)
{
    st.io.main.setPrgLoadVisible(false);
}

void boxThenCaption(Station& st, const std::string& message, platform::Icon icon)
{
    MSG_BOX(st, message, icon);
    st.io.main.setDisp1(message);
}

void boardCheckOfFlashJob(Station& st)
{
    showBar(st, 100 - st.TICKS_LEFT * 100 / BOARD_CHECK_TICKS);
    if (st.TICKS_LEFT != 0)
        return;
    if (st.POWER_UP_SEEN != st.POWER_UP_COUNT) {
        // A board that powered up since the last time is taken as answering.
        st.TICKS_LEFT = 1;
        st.JOB_MODE = FLASH_READ_INFO;
        hideBar(st);
        st.POWER_UP_SEEN = st.POWER_UP_COUNT;
        return;
    }
    boxThenCaption(st,
                   std::string(text::ERROR01) + text::RESET_PHONE + text::OR + text::CHECK_CABLE + text::OR
                       + text::CHECK_BOARD,
                   platform::Icon::Critical);
    st.JOB_MODE = IDLE;
    hideBar(st);
    st.io.main.setPrgLoadValue(0);
}

void waitForProdInfo(Station& st)
{
    showBar(st, 100 - st.TICKS_LEFT * 100 / READ_INFO_TICKS);
    if (st.TICKS_LEFT != 0)
        return;
    if (!st.PROD_INFO_READ_DONE)
        LOAD_PROD_DEFAULTS(st);
    st.JOB_MODE = FLASH_INIT_DISK;
    hideBar(st);
}

void initDisk(Station& st)
{
    st.FLASH_OK = false;
    INIT_DISK(st);
    if (!st.FLASH_OK) {
        hideBar(st);
        st.io.main.setDisp1(std::string(text::LF) + text::INIT_DISK_FAIL + text::LF + text::FLASH_AGAIN_OR_RESET);
        st.JOB_MODE = IDLE;
        return;
    }
    st.io.main.setDisp1(std::string(text::LF) + text::FORMAT_IN_PROGRESS + text::LF + text::WAIT_GETTING_READY);
    st.JOB_MODE = FLASH_FORMAT_WAIT;
    st.FORMAT_WAIT_TIME = roundHalfEven(READ_FORMAT_TIME(st)) * 1000;
    st.FORMAT_START = st.io.clock.tickCount();
    showBar(st, 0);
}

void formatWaitThenInitData(Station& st, std::int32_t now)
{
    st.io.main.setDisp1(text::FORMAT_IN_PROGRESS);
    const std::int32_t elapsed = tickDiff(now, st.FORMAT_START);
    const double share = static_cast<double>((elapsed % 60000) * 100) / st.FORMAT_WAIT_TIME;
    showBar(st, std::clamp(share, 0.0, 100.0));
    if (elapsed <= st.FORMAT_WAIT_TIME)
        return;
    hideBar(st);
    st.FLASH_OK = false;
    FLASH_DSP(st);
    if (st.FLASH_OK)
        st.io.main.setDisp1(std::string(text::FLASH_SUCCESS) + text::LF + text::PLEASE_RESET);
    else
        st.io.main.setDisp1(std::string(text::FLASH_FAIL) + text::LF + text::RESET_AND_FLASH_AGAIN);
    st.JOB_MODE = IDLE;
}

void boardCheckThenWrite(Station& st)
{
    st.io.main.setPrgLoadValue(static_cast<float>(100 - st.TICKS_LEFT * 100 / BOARD_CHECK_TICKS));
    if (st.TICKS_LEFT != 0)
        return;
    if (st.SELF_TEST_REPLY == 7) {
        WRITE_PROD_INFO(st);
    } else {
        boxThenCaption(st, std::string(text::ERROR01) + text::RESET_PHONE + text::OR + text::WRITE_OR_FLASH_AGAIN,
                       platform::Icon::Critical);
        st.io.main.setPrgLoadValue(0);
        hideBar(st);
    }
    st.JOB_MODE = IDLE;
    st.SELF_TEST_REPLY = 0;
}

// An unanswered product-information write is declared failed after a little over 8 s.
void writeWatchdog(Station& st)
{
    if (!st.PROD_INFO_WRITE_PENDING)
        return;
    const std::int32_t d = tickDiff(st.io.clock.tickCount(), st.PROD_INFO_WRITE_START) % 60000;
    const int value = roundHalfEven(d / 100.0) % 100;
    st.io.main.setPrgLoadValue(static_cast<float>(std::max(value, 0)));
    if (value <= 80)
        return;
    st.PROD_INFO_WRITE_PENDING = false;
    hideBar(st);
    st.io.main.setPrgLoadValue(0);
    MSG_BOX(st, std::string(text::PROD_INFO_WRITTEN_FAILED_BOX) + text::WRITE_OR_FLASH_AGAIN_PLEASE,
            platform::Icon::None);
    st.io.main.setDisp1(std::string(text::PROD_INFO_WRITTEN_FAILED) + text::LF + text::WRITE_OR_FLASH_AGAIN_PLEASE);
}

} // namespace

void BOARD_SEQ(Station& st)
{
    if (st.TICKS_LEFT != 0)
        --st.TICKS_LEFT;
    const std::int32_t now = st.io.clock.tickCount();
    switch (st.JOB_MODE) {
    case FLASH_BOARD_CHECK:
        boardCheckOfFlashJob(st);
        break;
    case FLASH_READ_INFO:
        st.JOB_MODE = FLASH_WAIT_INFO;
        st.TICKS_LEFT = READ_INFO_TICKS;
        READ_PROD_INFO(st);
        break;
    case FLASH_WAIT_INFO:
        waitForProdInfo(st);
        break;
    case FLASH_INIT_DISK:
        initDisk(st);
        break;
    case FLASH_FORMAT_WAIT:
        formatWaitThenInitData(st, now);
        break;
    case PROD_BOARD_CHECK:
        boardCheckThenWrite(st);
        break;
    default:
        break;
    }
    writeWatchdog(st);
}

} // namespace auxpad
