#pragma once

namespace auxpad {

struct Station;

// "Step 2: Flash AUXPAD": checks and counts the selected files, then starts the flash job.
void BOOTLOAD_DSP_Click(Station& st);

} // namespace auxpad
