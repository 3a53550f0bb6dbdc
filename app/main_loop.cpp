#include "app/main_loop.h"

#include "app/station.h"
#include "fbus/receiver.h"
#include "fbus/sender.h"

namespace auxpad {

bool MAIN_LOOP_PASS(Station& st, platform::EventPump& events, bool waitForEvents, bool& idle)
{
    if (events.processEvents(waitForEvents) == 0)
        return false;
    FBUS_SEND(st, SEND_PUMP);
    idle = st.io.port.bytesWaiting() == 0;
    if (idle)
        return true;
    for (const std::uint8_t b : st.io.port.readAll())
        FBUS_RECEIVE(st, RX_BYTE, b);
    return true;
}

void MAIN_LOOP(Station& st, platform::EventPump& events)
{
    // After a pass that read nothing, the pump has sent what it could and only an event
    // can give it or the receiver new work, so waiting for one changes no outcome.
    bool idle = false;
    while (MAIN_LOOP_PASS(st, events, idle, idle)) {
    }
}

} // namespace auxpad
