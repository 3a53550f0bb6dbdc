#include "core/tx_scheduler.h"

#include <algorithm>

namespace auxsim {

void TxScheduler::enqueue(TxItem item)
{
    const auto at = std::upper_bound(queue_.begin(), queue_.end(), item.due,
                                     [](TimeUs due, const TxItem &queued) { return due < queued.due; });
    queue_.insert(at, std::move(item));
}

TxScheduler::Output TxScheduler::take(TimeUs now)
{
    Output out;
    for (;;) {
        if (!current_) {
            if (queue_.empty() || queue_.front().due > now)
                break;
            current_ = std::move(queue_.front());
            queue_.pop_front();
            sent_ = 0;
            nextByteAt_ = std::max(current_->due, lineFree_) + byteTime_;
        }
        while (sent_ < current_->bytes.size() && nextByteAt_ <= now) {
            out.bytes.push_back(current_->bytes[sent_++]);
            lineFree_ = nextByteAt_;
            nextByteAt_ += byteTime_;
        }
        if (sent_ < current_->bytes.size())
            break;
        out.finished.push_back(std::move(*current_));
        current_.reset();
    }
    return out;
}

std::optional<TimeUs> TxScheduler::nextWakeup() const
{
    if (current_)
        return nextByteAt_;
    if (queue_.empty())
        return std::nullopt;
    return std::max(queue_.front().due, lineFree_) + byteTime_;
}

} // namespace auxsim
