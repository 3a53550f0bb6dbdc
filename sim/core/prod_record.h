#pragma once

#include "core/types.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace auxsim {

// The board's product information as it travels on the wire: seven fields,
// each a length byte and that many characters, 55 bytes in all. The date is
// split into month-and-year (MMYY) and day (DD).
namespace prodrec {
constexpr std::size_t kSize = 55;
constexpr std::size_t kFieldCount = 7;
constexpr std::array<std::size_t, kFieldCount> kLengthOffsets = {0, 5, 17, 29, 39, 47, 52};
constexpr std::array<std::uint8_t, kFieldCount> kLengths = {4, 11, 11, 9, 7, 4, 2};
} // namespace prodrec

using ProdRecord = std::array<std::uint8_t, prodrec::kSize>;

// The six items as the operator types them; date is DDMMYY.
struct ProdInfo {
    std::string hardware, mcuSw, dspSw, serial, code, date;
};

// Builds the record; nullopt when an item has the wrong number of characters.
std::optional<ProdRecord> buildRecord(const ProdInfo &info);

// "HW,MCU,DSP,SERIAL,CODE,DDMMYY"; nullopt with a reason in *error otherwise.
std::optional<ProdRecord> parseProdInfoText(std::string_view text, std::string *error);

// True when the bytes are 55 long and carry the seven length bytes in place.
bool isWellFormedRecord(std::span<const std::uint8_t> bytes);

// The six items read back from a record, for the log.
ProdInfo describeRecord(const ProdRecord &record);

} // namespace auxsim
