#pragma once

#include "core/types.h"

#include <random>

namespace auxsim {

struct FaultConfig {
    double garbagePercent = 0;
    double corruptPercent = 0;
    std::uint64_t seed = 1;
};

// Spoils frames on purpose, with a seeded generator so a run can be repeated.
class FaultInjector {
public:
    explicit FaultInjector(const FaultConfig &config);

    struct Result {
        Bytes bytes;
        std::size_t garbage = 0;
        bool corrupted = false;
    };
    // Maybe flips one bit of one checksum byte, then maybe puts 1 to 8
    // garbage bytes in front. Garbage is never 1E: a stray start byte makes
    // the tool's receiver take the real frame's first byte as a header error
    // and lose the frame. It is never 5E either, which a receiver may take as
    // the start of a frame kind of its own.
    Result apply(Bytes frame);

    static bool isGarbageByte(std::uint8_t byte) { return byte != 0x1E && byte != 0x5E; }

private:
    bool roll(double percent);

    FaultConfig config_;
    std::mt19937_64 rng_;
};

} // namespace auxsim
