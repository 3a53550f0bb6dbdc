#include "app/timer_tick.h"

#include "app/station.h"
#include "board/sequencer.h"
#include "fbus/receiver.h"
#include "fbus/sender.h"

namespace auxpad {

void Timer1_Timer(Station& st)
{
    // A message box opened in the middle of a handler expects that handler to finish
    // before the next tick; ticks that fall meanwhile are not made up.
    if (st.modalBoxes > 0)
        return;
    FBUS_RECEIVE(st, RX_TICK, 0);
    FBUS_SEND(st, SEND_TICK);
    BOARD_SEQ(st);
}

} // namespace auxpad
