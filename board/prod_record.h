#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace auxpad {

// The six product-information texts, in the order of the six boxes: hardware version,
// MCU and DSP software versions, serial number, code, manufacture date DDMMYY.
using ProductInfo = std::array<std::string, 6>;

struct ProductField {
    const char* label;  // names the box in the "Please Check AUXPAD " message
    std::size_t length; // characters the board stores
};
extern const std::array<ProductField, 6> kProductFields;

// The record as it travels on the wire: seven length-prefixed fields, 55 bytes; the
// date DDMMYY goes as MMYY first, DD last.
inline constexpr std::size_t kProductRecordSize = 55;
using ProductRecord = std::array<std::uint8_t, kProductRecordSize>;

// The first thing wrong with six texts (UTF-8) as a record, in the order the station
// checks them: every box's length, then the date, then every box's characters.
struct ProductInfoProblem {
    enum class Kind { Length, Date, NotLatin1 };
    Kind kind;
    std::size_t box;
    std::string text; // what the operator is told: "Please Check AUXPAD Code! ", ...
};
std::optional<ProductInfoProblem> checkProductInfo(const ProductInfo& utf8);

// The six texts as Latin-1, once checkProductInfo has found nothing wrong.
ProductInfo toLatin1(const ProductInfo& utf8);

// From six Latin-1 texts, each exactly its field's length.
ProductRecord encodeProductRecord(const ProductInfo& info);

// The six Latin-1 texts from a record, reading fixed positions only.
ProductInfo decodeProductRecord(std::span<const std::uint8_t, kProductRecordSize> record);

} // namespace auxpad
