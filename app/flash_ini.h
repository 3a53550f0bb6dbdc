#pragma once

namespace auxpad {

struct Station;

// Readers of flash.ini. Each opens the file afresh at iniPath(), so edits take effect at
// the next reading; a file that cannot be opened is a RuntimeFault.

// Shows the message window when a "Show" line also holds "Yes", "YES" or "yes".
void READ_SHOW_OPTION(Station& st);

// Format wait in seconds: the first "Format" value when 20 <= v < 60, else 30.
double READ_FORMAT_TIME(Station& st);

// Fills Text1 to Text6 from the product-information defaults; stops at the first faulty
// entry with its message.
void LOAD_PROD_DEFAULTS(Station& st);

// Whether Text6 holds a DDMMYY date (day 1-31, month 1-12, year 0-99).
bool CHECK_MANUFACTURE_DATE(Station& st);

// "Default Setting".
void Command1_Click(Station& st);

} // namespace auxpad
