#pragma once

namespace auxpad {

struct Station;

// Whether every product-information box holds exactly its field's number of characters;
// reports the first that does not.
bool CHECK_PROD_INFO(Station& st);

// Checks the six boxes and sends them to the board as the product-information record.
void WRITE_PROD_INFO(Station& st);

// Asks the board for its product information.
void READ_PROD_INFO(Station& st);

} // namespace auxpad
