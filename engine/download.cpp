#include "engine/download.h"

#include <algorithm>

#include "bootload/boot_block.h"
#include "bootload/progress_text.h"
#include "engine/texts.h"

namespace auxpad {

namespace {

// How the two downloads differ: the caption before each full block, and before the
// last, partial one.
constexpr ProgressStyle kInitDiskFull{"Downloading ", "%", false};
constexpr ProgressStyle kInitDiskLast{"Downloading", "%", false};
constexpr ProgressStyle kInitDataFull{"Downloading ", "% of file", true};

} // namespace

Download::Download(DownloadKind kind, std::unique_ptr<TextFile> file, std::string name, int totalLines, Millis now,
                   OperatorView& view, Outbox& out)
    : kind_(kind), file_(std::move(file)), name_(std::move(name)), totalLines_(totalLines), start_(now), view_(view),
      out_(out)
{
}

void Download::sendOn(Millis now)
{
    const bool initDisk = kind_ == DownloadKind::InitDisk;
    std::string line;
    while (file_->readLine(line)) {
        ++lineNumber_;
        blockText_ += ' ';
        blockText_ += line;
        if (++linesInBlock_ < kLinesPerBlock)
            continue;
        // A file that grew since it was counted, or was empty then, holds the bar at 100.
        const float percent = totalLines_ > 0 ? static_cast<float>(lineNumber_) * 100.0f / static_cast<float>(totalLines_)
                                              : 100.0f;
        percent_ = std::min(percent, 100.0f);
        view_.setBarValue(percent_);
        view_.showProgress(progressText(initDisk ? kInitDiskFull : kInitDataFull, percent_, name_, elapsed_));
        switch (sendBlock(now)) {
        case BlockOutcome::AwaitingAck:
            return;
        case BlockOutcome::Failed:
            return fail();
        case BlockOutcome::Delivered:
            nextBlock(now);
            break;
        }
    }
    if (file_->failure())
        return fail(); // a file that cannot be read to its end is not sent whole
    if (linesInBlock_ == 0)
        return end(true);
    // The last 1 to 5 lines: the bar stays where the last full block put it.
    view_.showProgress(progressText(initDisk ? kInitDiskLast : kInitDataFull, percent_, name_, elapsed_));
    lastBlock_ = true;
    switch (sendBlock(now)) {
    case BlockOutcome::AwaitingAck:
        return;
    case BlockOutcome::Failed:
        return fail();
    case BlockOutcome::Delivered:
        return end(true);
    }
}

void Download::nextBlock(Millis now)
{
    blockText_.clear();
    linesInBlock_ = 0;
    elapsed_ = tickDiff(now, start_);
}

Download::BlockOutcome Download::sendBlock(Millis now)
{
    const BootBlock block = buildBootBlock(blockText_);
    switch (block.verdict) {
    case BootBlock::Verdict::BadText:
        view_.setCaption(text::kDataError);
        [[fallthrough]];
    case BootBlock::Verdict::BadLength:
        view_.box(text::kWrongFormat, Icon::Critical);
        return BlockOutcome::Failed;
    case BootBlock::Verdict::Empty:
        return BlockOutcome::Delivered;
    case BootBlock::Verdict::Ok:
        break;
    }
    out_.write(block.bytes);
    ++blocksSent_;
    awaitingAck_ = true;
    drained_ = false;
    ackWaitStart_ = now; // and again once the port has taken the block
    return BlockOutcome::AwaitingAck;
}

void Download::bootloaderBytes(std::span<const std::uint8_t> bytes, Millis now)
{
    if (!awaitingAck_)
        return;
    if (tickDiff(now, ackWaitStart_) > kBootAckTimeoutMs)
        return deadlinePassed(now);
    // Whatever else came with the acknowledgement is dropped, as the bootloader's own.
    if (std::find(bytes.begin(), bytes.end(), kBootAck) == bytes.end())
        return;
    awaitingAck_ = false;
    if (lastBlock_)
        return end(true);
    nextBlock(now);
    sendOn(now);
}

void Download::deadlinePassed(Millis now)
{
    if (!awaitingAck_ || tickDiff(now, ackWaitStart_) <= kBootAckTimeoutMs)
        return;
    awaitingAck_ = false;
    unacknowledged_ = true;
    fail();
}

void Download::lineDrained(Millis now)
{
    if (awaitingAck_ && !drained_) {
        drained_ = true;
        ackWaitStart_ = now;
    }
}

std::optional<Millis> Download::deadline() const
{
    if (awaitingAck_)
        return tickAdd(ackWaitStart_, kBootAckTimeoutMs + 1);
    return std::nullopt;
}

void Download::fail()
{
    view_.box(text::kDownloadFailed, Icon::Critical);
    view_.appendLine(text::kErrorMark);
    end(false);
}

void Download::end(bool allAcknowledged)
{
    if (allAcknowledged)
        view_.appendLine(text::kEnd);
    acknowledged_ = allAcknowledged;
    ended_ = true;
    file_.reset(); // closes the file
}

bool Download::delivered() const
{
    // Without a line count there is no telling the whole file went.
    return ended_ && acknowledged_ && !(totalLines_ <= 0 && lineNumber_ > 0);
}

} // namespace auxpad
