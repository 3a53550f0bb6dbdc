#include "fbus/frame_handler.h"

#include <algorithm>

#include "app/station.h"
#include "board/board_event.h"
#include "fbus/catalogue.h"
#include "fbus/sender.h"
#include "fbus/traffic_log.h"

namespace auxpad {

namespace {

void answerRegistration(Station& st)
{
    MSG_LOG(st, "      UI_REGISTRATION");
    const std::uint8_t reply[] = {FRAME_START, ADDR_BOARD, ADDR_TOOL, TYPE_REGISTRATION, 0x00, 0x03, 0x05, 0x01, 0x41};
    std::copy(std::begin(reply), std::end(reply), st.FBUS_TX.begin());
    st.FBUS_TX_LEN = sizeof reply;
    st.FBUS_SEQ = 0x42;
    FBUS_SEND(st, SEND_QUEUE);
}

void takeAcknowledgement(Station& st)
{
    MSG_LOG(st, "            ACK MSG");
    st.FBUS_TX[0] = st.FBUS_RX[6];
    st.FBUS_TX[1] = st.FBUS_RX[7];
    st.FBUS_TX_LEN = 2;
    FBUS_SEND(st, SEND_ACKED);
}

void takeServiceMessage(Station& st)
{
    MSG_LOG(st, "      " + MSG_NAME(st.FBUS_RX[9]));
    const int length = st.FBUS_RX[5];
    // The board has its acknowledgement before the tool reacts to the message.
    FBUS_ACK(st, static_cast<std::uint8_t>(st.FBUS_RX[length + 5] & 7));
    BOARD_EVENT(st, BOARD_MSG_IN);
}

} // namespace

void FBUS_FRAME_IN(Station& st)
{
    switch (st.FBUS_RX[3]) {
    case TYPE_REGISTRATION:
        answerRegistration(st);
        break;
    case TYPE_ACK:
        takeAcknowledgement(st);
        break;
    case TYPE_SERVICE:
        takeServiceMessage(st);
        break;
    default:
        break;
    }
}

} // namespace auxpad
