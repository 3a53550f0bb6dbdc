#include "board/board_event.h"

#include "board/response.h"

namespace auxpad {

void BOARD_EVENT(Station& st, std::int32_t code)
{
    if (code == BOARD_MSG_IN)
        BOARD_RESPONSE(st);
}

} // namespace auxpad
