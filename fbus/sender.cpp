#include "fbus/sender.h"

#include <algorithm>
#include <string>

#include "app/station.h"
#include "fbus/catalogue.h"
#include "fbus/checksum.h"
#include "fbus/traffic_log.h"

namespace auxpad {

namespace {

std::int16_t nextSlot(std::int16_t s)
{
    return s == TX_QUEUE_RING - 1 ? 0 : static_cast<std::int16_t>(s + 1);
}

// Adds pad and checksum to FBUS_TX, writes it byte by byte and returns its log line.
std::string writeFrame(Station& st)
{
    FBUS_CHECKSUM(st.FBUS_TX.data(), st.FBUS_TX_LEN);
    std::string line = "\n>";
    for (int i = 0; i < st.FBUS_TX_LEN; ++i) {
        appendHexByte(line, st.FBUS_TX[i]);
        COM_PUT_BYTE(st, st.FBUS_TX[i]);
    }
    st.io.port.flush();
    return line;
}

void queueFrame(Station& st)
{
    const std::int16_t s = st.TX_QUEUE_IN;
    if (nextSlot(s) == st.TX_QUEUE_OUT) {
        // One more would make the ring look empty and lose every waiting frame.
        MSG_LOG(st, "\nFBUS send queue full: frame not sent");
        return;
    }
    st.TX_QUEUE_LEN[s] = st.FBUS_TX_LEN;
    std::copy_n(st.FBUS_TX.begin(), st.FBUS_TX_LEN, st.TX_QUEUE[s].begin());
    st.TX_QUEUE_IN = nextSlot(s);
}

void sendNextQueued(Station& st)
{
    if (st.TX_QUEUE_IN == st.TX_QUEUE_OUT)
        return;
    const std::int16_t s = st.TX_QUEUE_OUT;
    st.FBUS_TX_LEN = static_cast<std::uint8_t>(st.TX_QUEUE_LEN[s]);
    std::copy_n(st.TX_QUEUE[s].begin(), st.FBUS_TX_LEN, st.FBUS_TX.begin());
    std::string line = writeFrame(st);
    line += "      ";
    line += MSG_NAME(st.FBUS_TX[9]);
    st.ACK_WAIT = 1;
    st.LINK.AckCount = 2;
    st.LINK.AckType = st.FBUS_TX[3];
    st.LINK.AckSeq = static_cast<std::uint8_t>((st.FBUS_SEQ - 1) & 7);
    MSG_LOG(st, line);
    st.TX_QUEUE_OUT = nextSlot(s);
}

} // namespace

void COM_PUT_BYTE(Station& st, std::uint8_t b)
{
    st.io.port.write(&b, 1);
}

void FBUS_SEND(Station& st, std::int32_t code)
{
    if (code == SEND_QUEUE) {
        queueFrame(st);
        return;
    }
    if (code == SEND_NOW) {
        std::string line = writeFrame(st);
        if (st.FBUS_TX[3] == TYPE_ACK)
            line += "             PN ACK";
        MSG_LOG(st, line);
        return;
    }
    if (code != SEND_TICK && code != SEND_ACKED && code != SEND_PUMP)
        return;
    if (st.ACK_WAIT == 0) {
        sendNextQueued(st);
        return;
    }
    if (code == SEND_TICK) {
        st.LINK.AckCount = static_cast<std::int16_t>(st.LINK.AckCount - 1);
        if (st.LINK.AckCount == 0) {
            MSG_LOG(st, "\nWait UI ACK timeout");
            st.ACK_WAIT = 0;
        }
    } else if (code == SEND_ACKED) {
        st.ACK_WAIT = 0; // any acknowledgement ends the wait
    }
}

void FBUS_REQUEST(Station& st)
{
    const int n = st.FBUS_TX_LEN;
    if (n > MAX_REQUEST_PAYLOAD) {
        MSG_LOG(st, "\nFBUS request too long: " + std::to_string(n) + " bytes, at most "
                        + std::to_string(MAX_REQUEST_PAYLOAD) + ": not sent");
        return;
    }
    for (int i = n - 1; i >= 0; --i)
        st.FBUS_TX[i + 9] = st.FBUS_TX[i];
    const std::uint8_t header[] = {FRAME_START, ADDR_BOARD, ADDR_TOOL, TYPE_SERVICE, 0x00,
                                   static_cast<std::uint8_t>(n + 5), 0x42, 0xD2};
    std::copy(std::begin(header), std::end(header), st.FBUS_TX.begin());
    st.FBUS_TX[8] = st.LINK.TransId;
    st.LINK.TransId = static_cast<std::uint8_t>((st.LINK.TransId + 1) & 0x7F);
    st.FBUS_TX[n + 9] = 0x01;
    st.FBUS_TX[n + 10] = st.FBUS_SEQ;
    st.FBUS_SEQ = static_cast<std::uint8_t>(((st.FBUS_SEQ + 1) & 7) | 0x40);
    st.FBUS_TX_LEN = static_cast<std::uint8_t>(n + 11);
    FBUS_SEND(st, SEND_QUEUE);
}

void FBUS_ACK(Station& st, std::uint8_t seqBits)
{
    const std::uint8_t header[] = {FRAME_START, ADDR_BOARD, ADDR_TOOL, TYPE_ACK, 0x00, 0x02};
    std::copy(std::begin(header), std::end(header), st.FBUS_TX.begin());
    st.FBUS_TX[6] = st.FBUS_RX[3];
    st.FBUS_TX[7] = seqBits;
    st.FBUS_TX_LEN = 8;
    FBUS_SEND(st, SEND_NOW);
}

} // namespace auxpad
