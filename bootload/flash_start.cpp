#include "bootload/flash_start.h"

#include "app/station.h"

namespace auxpad {

void BOOTLOAD_DSP_Click(Station&) {}

} // namespace auxpad
