#include "board/response.h"

#include "app/station.h"

namespace auxpad {

void BOARD_RESPONSE(Station&)
{
}

} // namespace auxpad
