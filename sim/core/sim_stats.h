#pragma once

#include <cstdint>
#include <string>

namespace auxsim {

struct SimStats {
    std::uint64_t frames_rx_good = 0;
    std::uint64_t frames_rx_bad = 0;
    std::uint64_t acks_rx = 0;
    std::uint64_t stray_bytes = 0;
    std::uint64_t msgs_tx = 0;
    std::uint64_t msgs_acked = 0;
    std::uint64_t msgs_unacked = 0;
    std::uint64_t good_acked = 0;
    std::uint64_t good_unacked = 0;
    std::uint64_t corrupt_acked = 0;
    std::uint64_t corrupt_unacked = 0;
    std::uint64_t garbage_bursts = 0;
    std::uint64_t corrupted_tx = 0;
    std::uint64_t blocks_ok = 0;
    std::uint64_t blocks_bad = 0;
    std::uint64_t image_bytes = 0;

    bool operator==(const SimStats &) const = default;

    // One "key=value" line per counter, in the order above.
    std::string toText() const;
};

} // namespace auxsim
