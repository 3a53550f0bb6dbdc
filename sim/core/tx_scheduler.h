#pragma once

#include "core/types.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace auxsim {

// One unit the board puts on the line: a frame (with any garbage in front),
// a bootloader acknowledgement byte, or raw bytes typed by the operator.
struct TxItem {
    Bytes bytes;
    TimeUs due = 0;
    std::string label;
    std::size_t garbage = 0; // leading garbage bytes
    bool corrupted = false;
    bool isMessage = false;  // a service message that awaits the tool's ack
    std::uint8_t seqBits = 0;
    std::uint64_t tag = 0;
};

// The board's side of the line. Items leave in order of their due time (in
// order of queuing when equal), one after the other and never interleaved.
// With a byte time, each byte is handed out when it would have fully left a
// real line; with zero, as soon as the item is due.
class TxScheduler {
public:
    explicit TxScheduler(TimeUs byteTime) : byteTime_(byteTime) {}

    void enqueue(TxItem item);

    struct Output {
        Bytes bytes;                  // to be written now, in order
        std::vector<TxItem> finished; // items whose last byte is among them
    };
    Output take(TimeUs now);

    std::optional<TimeUs> nextWakeup() const;
    bool idle() const { return !current_ && queue_.empty(); }

private:
    TimeUs byteTime_;
    std::deque<TxItem> queue_;
    std::optional<TxItem> current_;
    std::size_t sent_ = 0;
    TimeUs nextByteAt_ = 0;
    TimeUs lineFree_ = 0;
};

} // namespace auxsim
