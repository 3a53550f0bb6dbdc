#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace auxpad {

// The product-information record as it travels on the wire: seven length-prefixed
// fields, 55 bytes; the manufacture date DDMMYY goes as MMYY first, DD last.
constexpr std::size_t PROD_RECORD_SIZE = 55;

struct ProdField {
    const char* checkText; // ends the "Please Check AUXPAD " message; names the box
    std::size_t length;
};

// Text1 to Text6, in record order.
extern const std::array<ProdField, 6> PROD_FIELDS;

// From the six box texts as 8-bit characters, each of its field's length.
std::array<std::uint8_t, PROD_RECORD_SIZE> encodeProdRecord(const std::array<std::string, 6>& boxes);

// The six box texts (8-bit characters) from a record, reading fixed positions only.
std::array<std::string, 6> decodeProdRecord(const std::uint8_t* record);

} // namespace auxpad
