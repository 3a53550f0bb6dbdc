#include "fbus/receiver.h"

#include <string>

#include "app/station.h"
#include "fbus/frame_handler.h"
#include "fbus/traffic_log.h"

namespace auxpad {

namespace {

enum RxState : std::int32_t {
    RX_IDLE = 0,
    RX_RECEIVER = 1,
    RX_SENDER = 2,
    RX_TYPE = 3,
    RX_LEN_HIGH = 4,
    RX_LEN_LOW = 5,
    RX_BODY = 6,
};

void store(Station& st, std::uint8_t b)
{
    st.FBUS_RX[st.FBUS_RX_POS] = b;
    st.FBUS_RX_POS = static_cast<std::int16_t>(st.FBUS_RX_POS + 1);
    st.LINK.RxCount = 2;
}

void headerError(Station& st, const char* message)
{
    st.FBUS_RX_STATE = RX_IDLE;
    MSG_LOG(st, std::string("\n") + message);
}

void onByte(Station& st, std::uint8_t b)
{
    std::string text = st.FBUS_RX_STATE == RX_IDLE ? "\n<" : "";
    appendHexByte(text, b);
    MSG_LOG(st, text);

    switch (st.FBUS_RX_STATE) {
    case RX_IDLE:
        // Any byte but the start byte is stray, 0x5E included: treating it as the start
        // of some other kind of frame would leave the receiver deaf until a restart.
        if (b == FRAME_START) {
            st.FBUS_RX_STATE = RX_RECEIVER;
            st.FBUS_RX[0] = b;
            st.FBUS_RX_POS = 1;
            st.LINK.RxCount = 2;
            st.LINK.RxXorEven = b;
        }
        break;
    case RX_RECEIVER:
        if (b != ADDR_TOOL)
            return headerError(st, "FBUS receiver error!");
        st.FBUS_RX_STATE = RX_SENDER;
        store(st, b);
        st.LINK.RxXorOdd = b;
        break;
    case RX_SENDER:
        if (b != ADDR_BOARD)
            return headerError(st, "FBUS sender error!");
        st.FBUS_RX_STATE = RX_TYPE;
        store(st, b);
        st.LINK.RxXorEven ^= b;
        break;
    case RX_TYPE:
        st.FBUS_RX_STATE = RX_LEN_HIGH;
        store(st, b);
        st.LINK.RxXorOdd ^= b;
        break;
    case RX_LEN_HIGH:
        if (b != 0x00)
            return headerError(st, "FBUS length MSB error!");
        st.FBUS_RX_STATE = RX_LEN_LOW;
        store(st, b);
        st.LINK.RxXorEven ^= b;
        break;
    case RX_LEN_LOW:
        if (b > MAX_RX_DATA_LENGTH)
            return headerError(st, "FBUS length error!"); // would not fit FBUS_RX
        st.FBUS_RX_STATE = RX_BODY;
        store(st, b);
        st.FBUS_RX_LEN = static_cast<std::uint8_t>(b + 8 + (b & 1));
        st.LINK.RxXorOdd ^= b;
        st.LINK.RxParity = 0;
        break;
    case RX_BODY:
        st.FBUS_RX[st.FBUS_RX_POS] = b;
        st.FBUS_RX_POS = static_cast<std::int16_t>(st.FBUS_RX_POS + 1);
        if (st.LINK.RxParity == 0) {
            st.LINK.RxXorEven ^= b;
            st.LINK.RxParity = 1;
        } else {
            st.LINK.RxXorOdd ^= b;
            st.LINK.RxParity = 0;
        }
        if (st.FBUS_RX_POS == st.FBUS_RX_LEN) {
            st.FBUS_RX_STATE = RX_IDLE;
            if (st.LINK.RxXorEven == 0 && st.LINK.RxXorOdd == 0)
                FBUS_FRAME_IN(st);
        } else {
            st.LINK.RxCount = 2;
        }
        break;
    default:
        st.FBUS_RX_STATE = RX_IDLE;
        break;
    }
}

void onTick(Station& st)
{
    if (st.FBUS_RX_STATE < RX_RECEIVER || st.FBUS_RX_STATE > RX_BODY)
        return;
    st.LINK.RxCount = static_cast<std::int16_t>(st.LINK.RxCount - 1);
    if (st.LINK.RxCount == 0)
        st.FBUS_RX_STATE = RX_IDLE; // a frame that stopped half-way is forgotten silently
}

} // namespace

void FBUS_RECEIVE(Station& st, std::int32_t code, std::uint8_t b)
{
    if (code == RX_BYTE)
        onByte(st, b);
    else if (code == RX_TICK)
        onTick(st);
}

} // namespace auxpad
