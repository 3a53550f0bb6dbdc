#include "board/sequencer.h"

#include "app/station.h"

namespace auxpad {

void BOARD_SEQ(Station&)
{
}

} // namespace auxpad
