#include "core/fault_injector.h"

namespace auxsim {

FaultInjector::FaultInjector(const FaultConfig &config) : config_(config), rng_(config.seed) {}

bool FaultInjector::roll(double percent)
{
    if (percent <= 0)
        return false;
    // 53 random bits give a uniform value in [0, 100).
    const double value = static_cast<double>(rng_() >> 11) * (100.0 / 9007199254740992.0);
    return value < percent;
}

FaultInjector::Result FaultInjector::apply(Bytes frame)
{
    Result result;
    if (frame.size() >= 2 && roll(config_.corruptPercent)) {
        const std::size_t at = frame.size() - 1 - (rng_() & 1);
        frame[at] ^= static_cast<std::uint8_t>(1u << (rng_() % 8));
        result.corrupted = true;
    }
    if (roll(config_.garbagePercent)) {
        result.garbage = 1 + rng_() % 8;
        while (result.bytes.size() < result.garbage) {
            const auto byte = static_cast<std::uint8_t>(rng_() & 0xFF);
            if (isGarbageByte(byte))
                result.bytes.push_back(byte);
        }
    }
    result.bytes.insert(result.bytes.end(), frame.begin(), frame.end());
    return result;
}

} // namespace auxsim
