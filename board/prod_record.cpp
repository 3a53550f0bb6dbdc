#include "board/prod_record.h"

#include "base/latin1.h"
#include "board/flash_ini.h"

namespace auxpad {

const std::array<ProductFieldRule, kProductFieldCount> kProductFieldRules = {{
    {"Hardware Version", "Hardware Version! ", 4, "1234", "Hardware", "ERROR08: Hardware Version error in flash.ini! "},
    {"MCUSW Version", "MCUSW Version! ", 11, "123456789ab", "MCUSW", "ERROR09: MCUSW Version error in flash.ini! "},
    {"DSPSW Version", "DSPSW Version! ", 11, "123456789ab", "DSPSW", "ERROR10: DSPSW Version error in flash.ini! "},
    {"Serial Number", "Serial Number! ", 9, "123456789", "Serial", "ERROR11: Serial Number error in flash.ini! "},
    {"Code", "Code! ", 7, "1234567", "Code", "ERROR12: Code error in flash.ini! "},
    {"Manufacture DDMMYY", "Manufacture DDMMYY! ", 6, "123456", "Manufacture", "ERROR13: Manufacture DDMMYY error in flash.ini! "},
}};

namespace {

// Where each field's characters start in the record (its length byte is just before).
constexpr std::array<std::size_t, 5> kStarts = {1, 6, 18, 30, 40};
constexpr std::size_t kMonthYear = 48;
constexpr std::size_t kDay = 53;

} // namespace

std::optional<ProductFieldProblem> checkProductFields(const ProductFields& utf8)
{
    using Kind = ProductFieldProblem::Kind;
    for (std::size_t b = 0; b < utf8.size(); ++b) {
        if (utf8Length(utf8[b]) != kProductFieldRules[b].length)
            return ProductFieldProblem{Kind::Length, b, std::string("Please Check AUXPAD ") + kProductFieldRules[b].label};
    }
    // The date is checked by its characters; one that is not Latin-1 is caught below.
    if (!isManufactureDate(utf8ToLatin1(utf8[at(ProductField::Manufacture)]).value_or(utf8[at(ProductField::Manufacture)])))
        return ProductFieldProblem{Kind::Date, at(ProductField::Manufacture), "ERROR15: Invalid Manufacture DDMMYY! "};
    for (std::size_t b = 0; b < utf8.size(); ++b) {
        if (!utf8ToLatin1(utf8[b])) {
            const std::string label = kProductFieldRules[b].label;
            return ProductFieldProblem{Kind::NotLatin1, b,
                                      label.substr(0, label.find('!'))
                                          + " holds a character that the board cannot store (only Latin-1 characters fit). "};
        }
    }
    return std::nullopt;
}

ProductFields toLatin1(const ProductFields& utf8)
{
    ProductFields out;
    for (std::size_t b = 0; b < utf8.size(); ++b)
        out[b] = utf8ToLatin1(utf8[b]).value_or(utf8[b]);
    return out;
}

ProductRecord encodeProductRecord(const ProductFields& info)
{
    ProductRecord record{};
    for (std::size_t f = 0; f < kStarts.size(); ++f) {
        record[kStarts[f] - 1] = static_cast<std::uint8_t>(kProductFieldRules[f].length);
        for (std::size_t i = 0; i < kProductFieldRules[f].length; ++i)
            record[kStarts[f] + i] = static_cast<std::uint8_t>(info[f].at(i));
    }
    const std::string& date = info[at(ProductField::Manufacture)];
    record[kMonthYear - 1] = 4;
    for (std::size_t i = 0; i < 4; ++i)
        record[kMonthYear + i] = static_cast<std::uint8_t>(date.at(2 + i));
    record[kDay - 1] = 2;
    record[kDay] = static_cast<std::uint8_t>(date.at(0));
    record[kDay + 1] = static_cast<std::uint8_t>(date.at(1));
    return record;
}

ProductFields decodeProductRecord(std::span<const std::uint8_t, kProductRecordSize> record)
{
    auto text = [&](std::size_t start, std::size_t length) {
        return std::string(reinterpret_cast<const char*>(record.data() + start), length);
    };
    ProductFields info;
    for (std::size_t f = 0; f < kStarts.size(); ++f)
        info[f] = text(kStarts[f], kProductFieldRules[f].length);
    info[at(ProductField::Manufacture)] = text(kDay, 2) + text(kMonthYear, 4);
    return info;
}

} // namespace auxpad
