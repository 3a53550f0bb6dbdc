#include "board/prod_record.h"

#include "base/latin1.h"
#include "board/flash_ini.h"

namespace auxpad {

const std::array<ProductField, 6> kProductFields = {{
    {"Hardware Version! ", 4},
    {"MCUSW Version! ", 11},
    {"DSPSW Version! ", 11},
    {"Serial Number! ", 9},
    {"Code! ", 7},
    {"Manufacture DDMMYY! ", 6},
}};

namespace {

// Where each field's characters start in the record (its length byte is just before).
constexpr std::array<std::size_t, 5> kStarts = {1, 6, 18, 30, 40};
constexpr std::size_t kMonthYear = 48;
constexpr std::size_t kDay = 53;

} // namespace

std::optional<ProductInfoProblem> checkProductInfo(const ProductInfo& utf8)
{
    using Kind = ProductInfoProblem::Kind;
    for (std::size_t b = 0; b < utf8.size(); ++b) {
        if (utf8Length(utf8[b]) != kProductFields[b].length)
            return ProductInfoProblem{Kind::Length, b, std::string("Please Check AUXPAD ") + kProductFields[b].label};
    }
    // The date is checked by its characters; one that is not Latin-1 is caught below.
    if (!isManufactureDate(utf8ToLatin1(utf8[5]).value_or(utf8[5])))
        return ProductInfoProblem{Kind::Date, 5, "ERROR15: Invalid Manufacture DDMMYY! "};
    for (std::size_t b = 0; b < utf8.size(); ++b) {
        if (!utf8ToLatin1(utf8[b])) {
            const std::string label = kProductFields[b].label;
            return ProductInfoProblem{Kind::NotLatin1, b,
                                      label.substr(0, label.find('!'))
                                          + " holds a character that the board cannot store (only Latin-1 characters fit). "};
        }
    }
    return std::nullopt;
}

ProductInfo toLatin1(const ProductInfo& utf8)
{
    ProductInfo out;
    for (std::size_t b = 0; b < utf8.size(); ++b)
        out[b] = utf8ToLatin1(utf8[b]).value_or(utf8[b]);
    return out;
}

ProductRecord encodeProductRecord(const ProductInfo& info)
{
    ProductRecord record{};
    for (std::size_t f = 0; f < kStarts.size(); ++f) {
        record[kStarts[f] - 1] = static_cast<std::uint8_t>(kProductFields[f].length);
        for (std::size_t i = 0; i < kProductFields[f].length; ++i)
            record[kStarts[f] + i] = static_cast<std::uint8_t>(info[f].at(i));
    }
    const std::string& date = info[5];
    record[kMonthYear - 1] = 4;
    for (std::size_t i = 0; i < 4; ++i)
        record[kMonthYear + i] = static_cast<std::uint8_t>(date.at(2 + i));
    record[kDay - 1] = 2;
    record[kDay] = static_cast<std::uint8_t>(date.at(0));
    record[kDay + 1] = static_cast<std::uint8_t>(date.at(1));
    return record;
}

ProductInfo decodeProductRecord(std::span<const std::uint8_t, kProductRecordSize> record)
{
    auto text = [&](std::size_t start, std::size_t length) {
        return std::string(reinterpret_cast<const char*>(record.data() + start), length);
    };
    ProductInfo info;
    for (std::size_t f = 0; f < kStarts.size(); ++f)
        info[f] = text(kStarts[f], kProductFields[f].length);
    info[5] = text(kDay, 2) + text(kMonthYear, 4);
    return info;
}

} // namespace auxpad
