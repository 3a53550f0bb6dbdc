#include "core/sim_stats.h"

#include <array>
#include <utility>

namespace auxsim {

std::string SimStats::toText() const
{
    const std::array<std::pair<const char *, std::uint64_t>, 16> rows = {{
        {"frames_rx_good", frames_rx_good},
        {"frames_rx_bad", frames_rx_bad},
        {"acks_rx", acks_rx},
        {"stray_bytes", stray_bytes},
        {"msgs_tx", msgs_tx},
        {"msgs_acked", msgs_acked},
        {"msgs_unacked", msgs_unacked},
        {"good_acked", good_acked},
        {"good_unacked", good_unacked},
        {"corrupt_acked", corrupt_acked},
        {"corrupt_unacked", corrupt_unacked},
        {"garbage_bursts", garbage_bursts},
        {"corrupted_tx", corrupted_tx},
        {"blocks_ok", blocks_ok},
        {"blocks_bad", blocks_bad},
        {"image_bytes", image_bytes},
    }};
    std::string text;
    for (const auto &[key, value] : rows)
        text += std::string(key) + "=" + std::to_string(value) + "\n";
    return text;
}

} // namespace auxsim
