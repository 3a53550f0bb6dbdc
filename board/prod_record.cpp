#include "board/prod_record.h"

namespace auxpad {

const std::array<ProdField, 6> PROD_FIELDS = {{
    {"Hardware Version! ", 4},
    {"MCUSW Version! ", 11},
    {"DSPSW Version! ", 11},
    {"Serial Number! ", 9},
    {"Code! ", 7},
    {"Manufacture DDMMYY! ", 6},
}};

namespace {

// Where each field's characters start in the record (its length byte is just before).
constexpr std::size_t kHardware = 1, kMcu = 6, kDsp = 18, kSerial = 30, kCode = 40, kMonthYear = 48, kDay = 53;
constexpr std::size_t kStarts[5] = {kHardware, kMcu, kDsp, kSerial, kCode};

} // namespace

std::array<std::uint8_t, PROD_RECORD_SIZE> encodeProdRecord(const std::array<std::string, 6>& boxes)
{
    std::array<std::uint8_t, PROD_RECORD_SIZE> record{};
    for (std::size_t f = 0; f < 5; ++f) {
        record[kStarts[f] - 1] = static_cast<std::uint8_t>(PROD_FIELDS[f].length);
        for (std::size_t i = 0; i < PROD_FIELDS[f].length; ++i)
            record[kStarts[f] + i] = static_cast<std::uint8_t>(boxes[f].at(i));
    }
    const std::string& date = boxes[5];
    record[kMonthYear - 1] = 4;
    for (std::size_t i = 0; i < 4; ++i)
        record[kMonthYear + i] = static_cast<std::uint8_t>(date.at(2 + i));
    record[kDay - 1] = 2;
    record[kDay] = static_cast<std::uint8_t>(date.at(0));
    record[kDay + 1] = static_cast<std::uint8_t>(date.at(1));
    return record;
}

std::array<std::string, 6> decodeProdRecord(const std::uint8_t* record)
{
    std::array<std::string, 6> boxes;
    for (std::size_t f = 0; f < 5; ++f)
        boxes[f].assign(reinterpret_cast<const char*>(record + kStarts[f]), PROD_FIELDS[f].length);
    boxes[5] = std::string(reinterpret_cast<const char*>(record + kDay), 2)
        + std::string(reinterpret_cast<const char*>(record + kMonthYear), 4);
    return boxes;
}

} // namespace auxpad
