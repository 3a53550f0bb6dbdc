#pragma once

namespace auxpad {

struct Station;

// Sends the self-test request and starts the 20-tick countdown.
void BOARD_TEST(Station& st);
// The flash job, replacing any job under way.
void FLASH_JOB_START(Station& st);
// The product-information job, if the sequencer is idle.
void PROD_JOB_START(Station& st);
// "Step 3: Write AUXPAD Product Info".
void Prod_info_Click(Station& st);

} // namespace auxpad
