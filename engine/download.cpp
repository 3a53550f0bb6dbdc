// The two downloads through the bootloader: blocks of six lines, each sent and awaited
// in turn, with the progress shown before each.
#include "engine/download.h"

#include <algorithm>

#include "bootload/boot_block.h"
#include "engine/texts.h"

namespace auxpad {

namespace {

// How the two downloads differ: the caption before each full block, and before the
// last, partial one.
constexpr ProgressStyle kInitDiskFull{"Downloading ", "%", false};
constexpr ProgressStyle kInitDiskLast{"Downloading", "%", false};
constexpr ProgressStyle kInitDataFull{"Downloading ", "% of file", true};

} // namespace

std::string fileName(const std::string& path)
{
    return path.substr(path.find_last_of('/') + 1);
}

std::string cannotRead(const std::string& name, const std::string& reason)
{
    return "Cannot read " + name + ": " + reason;
}

void StationEngine::startDownload(DownloadKind kind, Millis now)
{
    flashOk_ = false; // until this download's last block is acknowledged
    const bool initDisk = kind == DownloadKind::InitDisk;
    const std::string& path = initDisk ? jobFiles_.initDisk : jobFiles_.initData;
    const std::string name = fileName(path);
    int totalLines = diskLines_;
    std::string reason;
    if (!initDisk) {
        // The InitData file is counted afresh: it may have changed since the click.
        setCaption(text::kCheckingDataFile + name, true);
        if (!countLines(files_, path, dataLines_, reason)) {
            box(cannotRead(name, reason), Icon::Critical);
            hideBar();
            afterInitData();
            return;
        }
        totalLines = dataLines_;
    }
    showBar(0);
    auto file = files_.open(path, reason);
    if (!file) {
        box(cannotRead(name, reason), Icon::Critical);
        finishDownload(kind, now);
        return;
    }
    download_ = std::make_unique<Download>(kind, std::move(file), name, totalLines, now);
    continueDownload(now);
}

void StationEngine::continueDownload(Millis now)
{
    Download& d = *download_;
    const bool initDisk = d.kind == DownloadKind::InitDisk;
    std::string line;
    while (d.file->readLine(line)) {
        ++d.lineNumber;
        d.blockText += ' ';
        d.blockText += line;
        if (++d.linesInBlock < kLinesPerBlock)
            continue;
        // A file that grew since it was counted, or was empty then, holds the bar at 100.
        const float percent = d.totalLines > 0 ? static_cast<float>(d.lineNumber) * 100.0f / static_cast<float>(d.totalLines)
                                               : 100.0f;
        setBarValue(std::min(percent, 100.0f));
        setCaption(progressText(initDisk ? kInitDiskFull : kInitDataFull, barValue_, d.name, d.elapsed));
        switch (sendBlock(now)) {
        case BlockOutcome::AwaitingAck:
            return;
        case BlockOutcome::Failed:
            downloadFailed();
            return endDownload(now);
        case BlockOutcome::Delivered:
            d.blockText.clear();
            d.linesInBlock = 0;
            d.elapsed = tickDiff(now, d.start);
            break;
        }
    }
    if (d.linesInBlock == 0) {
        appendLine(text::kEnd);
        flashOk_ = true;
        return endDownload(now);
    }
    // The last 1 to 5 lines: the bar stays where the last full block put it.
    setCaption(progressText(initDisk ? kInitDiskLast : kInitDataFull, barValue_, d.name, d.elapsed));
    d.lastBlock = true;
    switch (sendBlock(now)) {
    case BlockOutcome::AwaitingAck:
        return;
    case BlockOutcome::Failed:
        downloadFailed();
        break;
    case BlockOutcome::Delivered:
        appendLine(text::kEnd);
        flashOk_ = true;
        break;
    }
    endDownload(now);
}

StationEngine::BlockOutcome StationEngine::sendBlock(Millis now)
{
    const BootBlock block = buildBootBlock(download_->blockText);
    switch (block.verdict) {
    case BootBlock::Verdict::BadText:
        setCaption(text::kDataError);
        [[fallthrough]];
    case BootBlock::Verdict::BadLength:
        box(text::kWrongFormat, Icon::Critical);
        return BlockOutcome::Failed;
    case BootBlock::Verdict::Empty:
        return BlockOutcome::Delivered;
    case BootBlock::Verdict::Ok:
        break;
    }
    out_.write(block.bytes);
    ++download_->blocksSent;
    download_->awaitingAck = true;
    download_->drained = false;
    download_->ackWaitStart = now; // and again once the port has taken the block
    return BlockOutcome::AwaitingAck;
}

void StationEngine::bootloaderBytes(std::span<const std::uint8_t> bytes, Millis now)
{
    Download& d = *download_;
    if (!d.awaitingAck)
        return;
    if (tickDiff(now, d.ackWaitStart) > kBootAckTimeoutMs) {
        deadlinePassed(now);
        return;
    }
    // Whatever else came with the acknowledgement is dropped, as the bootloader's own.
    if (std::find(bytes.begin(), bytes.end(), kBootAck) == bytes.end())
        return;
    d.awaitingAck = false;
    if (d.lastBlock) {
        appendLine(text::kEnd);
        flashOk_ = true;
        endDownload(now);
    } else {
        d.blockText.clear();
        d.linesInBlock = 0;
        d.elapsed = tickDiff(now, d.start);
        continueDownload(now);
    }
    if (!download_)
        afterTickWork(now);
}

void StationEngine::deadlinePassed(Millis now)
{
    if (!download_ || !download_->awaitingAck || tickDiff(now, download_->ackWaitStart) <= kBootAckTimeoutMs)
        return;
    download_->awaitingAck = false;
    downloadFailed();
    endDownload(now);
    afterTickWork(now);
}

void StationEngine::lineDrained(Millis now)
{
    if (download_ && download_->awaitingAck && !download_->drained) {
        download_->drained = true;
        download_->ackWaitStart = now;
    }
}

std::optional<Millis> StationEngine::nextDeadline() const
{
    if (download_ && download_->awaitingAck)
        return tickAdd(download_->ackWaitStart, kBootAckTimeoutMs + 1);
    return std::nullopt;
}

void StationEngine::downloadFailed()
{
    box(text::kDownloadFailed, Icon::Critical);
    appendLine(text::kErrorMark);
}

void StationEngine::endDownload(Millis now)
{
    const Download& d = *download_;
    if (d.totalLines <= 0 && d.lineNumber > 0)
        flashOk_ = false; // without a line count there is no telling the whole file went
    const DownloadKind kind = d.kind;
    (kind == DownloadKind::InitDisk ? flashStats_.initDisk : flashStats_.initData) = {true, d.blocksSent,
                                                                                       tickDiff(now, d.start)};
    download_.reset(); // closes the file
    finishDownload(kind, now);
}

void StationEngine::finishDownload(DownloadKind kind, Millis now)
{
    if (barValue_ < 99)
        flashOk_ = false;
    hideBar();
    if (kind == DownloadKind::InitDisk)
        afterInitDisk(now);
    else
        afterInitData();
}

} // namespace auxpad
