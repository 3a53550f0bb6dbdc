#include "core/prod_record.h"

#include <algorithm>

namespace auxsim {
namespace {

constexpr std::size_t kDateLength = 6;

std::string fieldText(const ProdRecord &record, std::size_t field)
{
    const std::size_t start = prodrec::kLengthOffsets[field] + 1;
    return std::string(record.begin() + static_cast<std::ptrdiff_t>(start),
                       record.begin() + static_cast<std::ptrdiff_t>(start + prodrec::kLengths[field]));
}

} // namespace

std::optional<ProdRecord> buildRecord(const ProdInfo &info)
{
    if (info.date.size() != kDateLength)
        return std::nullopt;
    const std::string monthYear = info.date.substr(2, 4);
    const std::string day = info.date.substr(0, 2);
    const std::array<const std::string *, prodrec::kFieldCount> fields = {
        &info.hardware, &info.mcuSw, &info.dspSw, &info.serial, &info.code, &monthYear, &day};

    ProdRecord record{};
    for (std::size_t f = 0; f < prodrec::kFieldCount; ++f) {
        if (fields[f]->size() != prodrec::kLengths[f])
            return std::nullopt;
        const std::size_t at = prodrec::kLengthOffsets[f];
        record[at] = prodrec::kLengths[f];
        std::copy(fields[f]->begin(), fields[f]->end(), record.begin() + static_cast<std::ptrdiff_t>(at + 1));
    }
    return record;
}

std::optional<ProdRecord> parseProdInfoText(std::string_view text, std::string *error)
{
    std::array<std::string, 6> items;
    std::size_t item = 0;
    for (char c : text) {
        if (c == ',') {
            if (++item == items.size())
                break;
        } else {
            items[item].push_back(c);
        }
    }
    if (item != items.size() - 1) {
        if (error)
            *error = "expected six items separated by commas: HW,MCU,DSP,SERIAL,CODE,DDMMYY";
        return std::nullopt;
    }
    const ProdInfo info{items[0], items[1], items[2], items[3], items[4], items[5]};
    auto record = buildRecord(info);
    if (!record && error)
        *error = "the items must have 4, 11, 11, 9, 7 and 6 characters";
    return record;
}

bool isWellFormedRecord(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() != prodrec::kSize)
        return false;
    for (std::size_t f = 0; f < prodrec::kFieldCount; ++f) {
        if (bytes[prodrec::kLengthOffsets[f]] != prodrec::kLengths[f])
            return false;
    }
    return true;
}

ProdInfo describeRecord(const ProdRecord &record)
{
    return ProdInfo{fieldText(record, 0), fieldText(record, 1), fieldText(record, 2),
                    fieldText(record, 3), fieldText(record, 4),
                    fieldText(record, 6) + fieldText(record, 5)};
}

} // namespace auxsim
