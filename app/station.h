#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "fbus/link_state.h"
#include "platform/clock.h"
#include "platform/serial_port.h"
#include "platform/text_files.h"
#include "platform/windows.h"

namespace auxpad {

// Everything a station talks to. The logic reaches the world only through these.
struct Platform {
    platform::SerialPort& port;
    platform::Clock& clock;
    platform::TextFiles& files;
    platform::MainWindowView& main;
    platform::MessageWindowView& msgWin;
    platform::Dialogs& dialogs;
};

// One station: the state that the tool keeps for the board on its serial line, with the
// names the tool has always used for it. A fresh Station is a freshly started tool.
struct Station {
    explicit Station(Platform platform) : io(platform) {}
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    Platform io;

    // Start-up
    std::string START_DIR;

    // FBUS sender
    std::array<std::uint8_t, FBUS_BUFFER_SIZE> FBUS_TX{};
    std::uint8_t FBUS_TX_LEN = 0;
    std::uint8_t FBUS_SEQ = 0;
    std::array<std::array<std::uint8_t, FBUS_BUFFER_SIZE>, TX_QUEUE_SLOTS> TX_QUEUE{};
    std::array<std::int16_t, TX_QUEUE_SLOTS> TX_QUEUE_LEN{};
    std::int16_t TX_QUEUE_IN = 0;
    std::int16_t TX_QUEUE_OUT = 0;
    std::int32_t ACK_WAIT = 0;
    LINK_STATE LINK;

    // FBUS receiver
    std::array<std::uint8_t, FBUS_BUFFER_SIZE> FBUS_RX{};
    std::int16_t FBUS_RX_POS = 0;
    std::uint8_t FBUS_RX_LEN = 0;
    std::int32_t FBUS_RX_STATE = 0;

    // Board sequencer and responses
    std::int32_t JOB_MODE = 0;
    std::int32_t TICKS_LEFT = 0;
    std::int32_t SELF_TEST_REPLY = 0;
    std::int32_t POWER_UP_COUNT = 0;
    std::int32_t POWER_UP_SEEN = 0;
    bool PROD_INFO_READ_DONE = false;
    bool PROD_INFO_WRITE_PENDING = false;
    std::int32_t PROD_INFO_WRITE_START = 0;
    std::int32_t FORMAT_WAIT_TIME = 0;
    std::int32_t FORMAT_START = 0;

    // Flashing
    bool FLASH_OK = false;
    std::int32_t DISK_LINES = 0;
    std::int32_t DATA_LINES = 0;

    // Message boxes open right now; timer ticks are held back while one is.
    int modalBoxes = 0;
};

// A modal message box with the tool's title; ticks wait until it is closed.
void MSG_BOX(Station& st, const std::string& text, platform::Icon icon);

} // namespace auxpad
