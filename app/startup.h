#pragma once

#include <string>

namespace auxpad {

struct Station;

// Runs while FLASH_MAIN is created, before it is first drawn: reads the COM port from
// flash.ini in the working directory, opens the port and sets every starting value.
// Throws RuntimeFault on a start-up fault; the window must then not be shown.
void Form_Load(Station& st);

void INIT_GLOBALS(Station& st);
void SET_START_DIR(Station& st, const std::string& path);

// FLASH_MAIN is closing: the message window goes with it.
void Form_QueryUnload(Station& st);

} // namespace auxpad
