#pragma once

#include <cstdint>
#include <string>

namespace auxsim {

namespace msgid {
constexpr std::uint8_t kCtrlStatusInd = 0x02;
constexpr std::uint8_t kPowerUpInd = 0x06;
constexpr std::uint8_t kProdInfoWriteReq = 0x46;
constexpr std::uint8_t kSelfTestReq = 0x47;
constexpr std::uint8_t kProdInfoReq = 0x48;
constexpr std::uint8_t kResponseOffset = 0x28;
constexpr std::uint8_t kProdInfoWriteResp = kProdInfoWriteReq + kResponseOffset;
constexpr std::uint8_t kSelfTestResp = kSelfTestReq + kResponseOffset;
constexpr std::uint8_t kProdInfoResp = kProdInfoReq + kResponseOffset;
} // namespace msgid

// The name of a service message id, or an empty string for an id that has none.
std::string messageName(std::uint8_t id);

} // namespace auxsim
