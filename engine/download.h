#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>

#include "base/text_files.h"
#include "base/ticks.h"
#include "engine/flash_files.h"
#include "engine/job_summary.h"
#include "engine/operator_view.h"

namespace auxpad {

enum class DownloadKind { InitDisk, InitData };

// One download through the bootloader: blocks of six lines, each sent and its 0x90
// awaited in turn, with the progress shown before each. The file is read line by line as
// the blocks go, so only one block's text is ever held. It ends delivered, when every
// block of the whole file was acknowledged, or failed.
class Download {
public:
    Download(DownloadKind kind, std::unique_ptr<TextFile> file, std::string name, int totalLines, Millis now,
             OperatorView& view, Outbox& out);

    // Sends blocks until one is on the line awaiting its acknowledgement, or the end.
    void sendOn(Millis now);
    // Bytes from the line: all of them the bootloader's while a download runs.
    void bootloaderBytes(std::span<const std::uint8_t> bytes, Millis now);
    void deadlinePassed(Millis now);
    // The port has taken every byte: the wait for the acknowledgement starts now.
    void lineDrained(Millis now);
    // When deadlinePassed is due, while a block awaits its acknowledgement.
    std::optional<Millis> deadline() const;

    bool ended() const { return ended_; }
    // Every block of the whole file acknowledged; once ended.
    bool delivered() const;
    // Why it was not: a block not acknowledged, or a file that will not do.
    FailureCause failure() const { return unacknowledged_ ? FailureCause::NoAcknowledgement : FailureCause::Refused; }
    DownloadKind kind() const { return kind_; }
    int blocksSent() const { return blocksSent_; }
    // The file sent reached at least 99 % of the lines counted before: one that came out
    // shorter is not the file that was counted.
    bool reachedItsCount() const { return percent_ >= 99.0f; }
    Millis started() const { return start_; }

private:
    enum class BlockOutcome { AwaitingAck, Delivered, Failed };
    BlockOutcome sendBlock(Millis now);
    void fail();
    void end(bool allAcknowledged);
    void nextBlock(Millis now);

    DownloadKind kind_;
    std::unique_ptr<TextFile> file_;
    std::string name_; // as the operator picked it, without its folder
    int totalLines_ = 0;
    Millis start_ = 0;
    OperatorView& view_;
    Outbox& out_;

    int lineNumber_ = 0;
    float percent_ = 0; // of the lines counted, as the last full block left it
    int blocksSent_ = 0;
    int linesInBlock_ = 0;
    std::string blockText_;
    Millis elapsed_ = 0;     // up to the acknowledgement of the previous block
    bool lastBlock_ = false; // the block on the line is the partial one at the end
    bool awaitingAck_ = false;
    bool drained_ = false;   // the block has been handed to the port
    Millis ackWaitStart_ = 0;
    bool ended_ = false;
    bool acknowledged_ = false; // every block sent was acknowledged, to the file's end
    bool unacknowledged_ = false; // a block's acknowledgement did not come in time
};

} // namespace auxpad
