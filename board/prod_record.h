#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace auxpad {

// The six product-information fields, in the order of the record and of the window's
// text boxes.
enum class ProductField { Hardware, Mcusw, Dspsw, Serial, Code, Manufacture };
inline constexpr std::size_t kProductFieldCount = 6;

// Their texts, indexed by ProductField.
using ProductFields = std::array<std::string, kProductFieldCount>;

constexpr std::size_t at(ProductField field)
{
    return static_cast<std::size_t>(field);
}

// What each field is, in ProductField order.
struct ProductFieldRule {
    const char* name;        // what it is called: "Serial Number"
    const char* label;       // names it in the "Please Check AUXPAD " message
    std::size_t length;      // characters the board stores
    const char* placeholder; // what a fresh window shows
    const char* iniKey;      // its default's key in flash.ini
    const char* iniError;    // the message for a default of the wrong length
};
extern const std::array<ProductFieldRule, kProductFieldCount> kProductFieldRules;

// The record as it travels on the wire: seven length-prefixed fields, 55 bytes; the
// date DDMMYY goes as MMYY first, DD last.
inline constexpr std::size_t kProductRecordSize = 55;
using ProductRecord = std::array<std::uint8_t, kProductRecordSize>;

// The first thing wrong with six texts (UTF-8) as a record, in the order the station
// checks them: every box's length, then the date, then every box's characters.
struct ProductFieldProblem {
    enum class Kind { Length, Date, NotLatin1 };
    Kind kind;
    std::size_t field;
    std::string text; // what the operator is told: "Please Check AUXPAD Code! ", ...
};
std::optional<ProductFieldProblem> checkProductFields(const ProductFields& utf8);

// The six texts as Latin-1, once checkProductFields has found nothing wrong.
ProductFields toLatin1(const ProductFields& utf8);

// From six Latin-1 texts, each exactly its field's length.
ProductRecord encodeProductRecord(const ProductFields& info);

// The six Latin-1 texts from a record, reading fixed positions only.
ProductFields decodeProductRecord(std::span<const std::uint8_t, kProductRecordSize> record);

} // namespace auxpad
