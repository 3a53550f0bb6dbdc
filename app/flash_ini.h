#pragma once

namespace auxpad {

struct Station;

// Readers of flash.ini. Each opens the file afresh at iniPath(); a file that cannot be
// opened is a RuntimeFault.

// Shows the message window when a "Show" line also holds "Yes", "YES" or "yes".
void READ_SHOW_OPTION(Station& st);

// "Default Setting".
void Command1_Click(Station& st);

} // namespace auxpad
