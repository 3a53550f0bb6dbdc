#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/ticks.h"
#include "board/flash_ini.h"
#include "board/prod_record.h"
#include "engine/flash_files.h"
#include "engine/job_mode.h"
#include "engine/job_state.h"
#include "engine/operator_view.h"
#include "engine/outbox.h"
#include "fbus/link.h"

namespace auxpad {

// Whether a product-information write is read back and compared before the job passes.
enum class ReadBack { No, Yes };

// Whether a flash job waits, once it has read the board, to be let go on to its downloads.
enum class Pause { No, BeforeDownload };

// One board's station without any I/O of its own: bytes from the line with the time
// they came, the 500 ms tick and the operator's commands go in; bytes for the line,
// effects for the operator and the time of its next deadline come out. Files (flash.ini
// and the downloads) are read through the TextFiles it is given.
//
// Its state: the job under way (job_, one of the jobs' states, each holding its own
// data), and what outlives a job because it belongs to the board's exchange: the
// self-test countdown the jobs share, a power-up not yet taken as an answer, and a
// product-information write still awaited.
class BoardEngine final : private LinkOutput {
public:
    BoardEngine(TextFiles& files, std::string iniPath);
    BoardEngine(const BoardEngine&) = delete;
    BoardEngine& operator=(const BoardEngine&) = delete;
    ~BoardEngine() override;

    // The line and the clock.
    void received(std::span<const std::uint8_t> bytes, Millis now);
    void tick(Millis now);
    void deadlinePassed(Millis now);
    // Everything written so far has been handed to the port.
    void lineDrained(Millis now);
    void boxClosed(Millis now);
    // The line is gone (hung up, unplugged): the job under way is lost, and the station
    // stops.
    void lineLost(std::string why, Millis now);
    // A front stops the job under way: its window closes, the command is interrupted, or
    // (saying why) the board need not go on.
    void interrupt(Millis now, std::string why = {});
    // A paused flash job goes on to its downloads.
    void release(Millis now);
    // Asks whether a board is there (a self-test request, outside any job); its answer
    // comes as BoardHeard.
    void probeBoard(Millis now);

    // The operator. While a download runs or a box is open, a job is refused and the
    // rest do nothing.
    void startFlashJob(const FlashFiles& files, Millis now, Pause pause = Pause::No);
    void startProductJob(const ProductFields& fields, Millis now, ReadBack readBack = ReadBack::No);
    void startSelfTestJob(Millis now);
    void loadDefaults(Millis now);
    void sendMessage(std::string_view hex, Millis now);
    // The operator typed in one of the six product fields; the text is UTF-8.
    void editProductField(ProductField field, std::string text);

    Bytes takeBytes() { return out_.takeBytes(); }
    std::vector<Effect> takeEffects() { return out_.takeEffects(); }
    std::optional<Millis> nextDeadline() const;

    JobMode jobMode() const;
    Phase phase() const;
    bool downloading() const { return download() != nullptr; }
    bool acceptsInput() const;
    const FbusLink& link() const { return link_; }
    const std::string& caption() const { return view_.caption(); }
    const ProductFields& productFields() const { return fields_; }

private:
    // A product-information write the board has not answered yet.
    struct PendingWrite {
        Millis sentAt = 0;
        std::string serial;
    };

    // LinkOutput
    void writeToLine(const Bytes& bytes) override { out_.write(bytes); }
    void logTraffic(const std::string& text) override { out_.post(TrafficLogged{text}); }

    // Jobs begin, end and are summed up here.
    template <typename Job>
    Job& beginJob(Job job);
    void endJob(JobOutcome outcome, FailureCause cause = FailureCause::None, std::optional<std::string> why = std::nullopt);
    void refuse(JobKind kind, std::string why = {});
    JobSummary summary(JobOutcome outcome) const;
    bool sequencerIdle() const;
    Download* download() const;
    void showPhase();
    void setField(ProductField field, std::string text);
    void fault(std::string message);

    // Bytes from the line, a batch at a time; a box stops the batch where it opened.
    void receiveBatch(std::span<const std::uint8_t> bytes);
    void resumeAfterBoxes(Millis now);
    void pump();

    // The board's messages (board_messages.cpp).
    void boardMessage(std::span<const std::uint8_t> frame);
    bool reaches(std::span<const std::uint8_t> frame, std::size_t offset);
    void powerUp();
    void productInfoWritten(std::span<const std::uint8_t> frame);
    void selfTestAnswered(std::span<const std::uint8_t> frame);
    bool reportSelfTest(std::span<const std::uint8_t> frame, bool passed);
    void productInfoRead(std::span<const std::uint8_t> frame);
    void testInfo(std::span<const std::uint8_t> frame, bool update);

    // The sequencer (sequencer.cpp).
    void step(Millis now);
    void endOfTick(Millis now);
    void sendSelfTest();
    void flashSelfTest(FlashJob& job);
    void awaitProductInfo(FlashJob& job);
    void afterInitDisk(FlashJob& job, FailureCause failure, Millis now);
    void formatWait(FlashJob& job, Millis now);
    void afterInitData(FailureCause failure);
    void productSelfTest(ProductJob& job, Millis now);
    void compareReadBack(ProductJob& job);
    void selfTestResult(const SelfTestJob& job);
    void writeWatchdog(Millis now);

    // Product information (product_info.cpp).
    void applyDefaults();
    bool writeProductInfo(Millis now);
    void readProductInfo(FlashJob& job);
    void askProductInfo();

    // Downloads (flash_start.cpp).
    void startDownload(FlashJob& job, DownloadKind kind, Millis now);
    void followDownload(Millis now);
    void endDownload(FlashJob& job, Millis now, FailureCause failure = FailureCause::Refused);

    TextFiles& files_;
    FlashIni ini_;
    Outbox out_;
    FbusLink link_;
    OperatorView view_;
    ProductFields fields_; // the six product fields, as the window's Text1 to Text6 show them

    JobState job_;
    int ticksLeft_ = 0;                 // the self-test and read countdown, in ticks
    bool unseenPowerUp_ = false;        // a power-up the flash job has not taken as an answer
    std::optional<PendingWrite> pendingWrite_;
    Phase shownPhase_ = Phase::Idle;
    Millis now_ = 0;                    // when the input under way came

    bool watchdogDeferred_ = false;     // a tick's write watchdog waits for its boxes
    Bytes waitingRest_;                    // the rest of a batch a box stopped
    Bytes waitingNew_;                     // what arrived while a box was open
    bool halted_ = false;
};

} // namespace auxpad
