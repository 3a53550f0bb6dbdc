#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/ticks.h"
#include "board/flash_ini.h"
#include "board/prod_record.h"
#include "bootload/progress_text.h"
#include "engine/job_mode.h"
#include "engine/outbox.h"
#include "fbus/link.h"

namespace auxpad {

// The two download files of a flash job, by full path.
struct FlashFiles {
    std::string initDisk;
    std::string initData;
};

// What a flash job's downloads came to, for its record.
struct DownloadStats {
    bool ran = false;
    int blocks = 0;    // sent to the bootloader
    Millis millis = 0; // from the download's start to its end
};
struct FlashStats {
    DownloadStats initDisk;
    DownloadStats initData;
    std::optional<Millis> formatWait; // once the board was given its format time
};

// One board's station without any I/O of its own: bytes from the line with the time
// they came, the 500 ms tick and the operator's commands go in; bytes for the line,
// effects for the operator and the time of its next deadline come out. Files (flash.ini
// and the downloads) are read through the TextFiles it is given.
class StationEngine final : private LinkOutput {
public:
    StationEngine(TextFiles& files, std::string iniPath);
    StationEngine(const StationEngine&) = delete;
    StationEngine& operator=(const StationEngine&) = delete;
    ~StationEngine() override;

    // The line and the clock.
    void received(std::span<const std::uint8_t> bytes, Millis now);
    void tick(Millis now);
    void deadlinePassed(Millis now);
    // Everything written so far has been handed to the port.
    void lineDrained(Millis now);
    void boxClosed(Millis now);

    // The operator. While a download runs or a box is open, these do nothing.
    void startFlashJob(const FlashFiles& files, Millis now);
    void startProductJob(const ProductInfo& boxes, Millis now);
    void startSelfTestJob(Millis now);
    void loadDefaults(Millis now);
    void sendMessage(std::string_view hex, Millis now);
    // The operator typed in one of the six boxes (0 to 5); the text is UTF-8.
    void editProductBox(int box, std::string text);

    Bytes takeBytes() { return out_.takeBytes(); }
    std::vector<Effect> takeEffects() { return out_.takeEffects(); }
    std::optional<Millis> nextDeadline() const;

    JobMode jobMode() const { return mode_; }
    Phase phase() const;
    // The flash job found the board silent about its product information and took the
    // defaults of flash.ini instead.
    bool defaultsUsed() const { return defaultsUsed_; }
    // The flash job has the board's own product information in the boxes.
    bool boardInfoRead() const { return boardInfoRead_; }
    // The flash job under way, or the last one.
    const FlashFiles& flashFiles() const { return jobFiles_; }
    const FlashStats& flashStats() const { return flashStats_; }
    bool downloading() const { return download_ != nullptr; }
    bool acceptsInput() const;
    const FbusLink& link() const { return link_; }
    const std::string& caption() const { return caption_; }
    const ProductInfo& productBoxes() const { return boxes_; }

private:
    struct Download;
    enum class DownloadKind { InitDisk, InitData };
    enum class BlockOutcome { AwaitingAck, Delivered, Failed };

    // LinkOutput
    void writeToLine(const Bytes& bytes) override { out_.write(bytes); }
    void logTraffic(const std::string& text) override { out_.post(TrafficLogged{text}); }

    // The operator's view, kept here so that nothing is read back from a window.
    void setCaption(std::string text, bool paintNow = false);
    void appendLine(const std::string& line);
    void showBar(float value);
    void hideBar();
    void setBarValue(float value);
    void box(std::string text, Icon icon);
    void boxThenCaption(const std::string& text, Icon icon);
    void setProductBox(int box, std::string text);
    void fault(std::string message);
    void beginJob(JobKind kind);
    void endJob(JobOutcome outcome);
    bool waiting() const { return out_.boxesOutstanding() > 0; }

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
    void reportSelfTest(std::span<const std::uint8_t> frame);
    void productInfoRead(std::span<const std::uint8_t> frame);
    void testInfo(std::span<const std::uint8_t> frame, bool update);

    // The sequencer (sequencer.cpp).
    void step(Millis now);
    void finishTick(Millis now);
    void afterTickWork(Millis now);
    void boardTest();
    void boardCheckOfFlashJob();
    void awaitProductInfo();
    void afterInitDisk(Millis now);
    void formatWait(Millis now);
    void afterInitData();
    void boardCheckThenWrite(Millis now);
    void selfTestResult();
    void writeWatchdog(Millis now);

    // Product information (product_info.cpp).
    void applyDefaults();
    void writeProductInfo(Millis now);
    void readProductInfo();

    // Downloads (download.cpp).
    void startDownload(DownloadKind kind, Millis now);
    void continueDownload(Millis now);
    BlockOutcome sendBlock(Millis now);
    void bootloaderBytes(std::span<const std::uint8_t> bytes, Millis now);
    void downloadFailed();
    void endDownload(Millis now);
    void finishDownload(DownloadKind kind, Millis now);

    TextFiles& files_;
    FlashIni ini_;
    Outbox out_;
    FbusLink link_;

    std::string caption_ = "Flash DSP Progress Report";
    bool barVisible_ = false;
    float barValue_ = 0;
    ProductInfo boxes_ = {"1234", "123456789ab", "123456789ab", "123456789", "1234567", "123456"};

    JobMode mode_ = JobMode::Idle;
    int ticksLeft_ = 0;
    bool selfTestReplied_ = false; // a self-test answer came that lets a write go ahead
    std::optional<bool> selfTestPassed_; // whether the last answer was a full pass
    int powerUps_ = 0;
    int powerUpsSeen_ = 0;         // power-ups the flash job has taken as an answer
    bool productReadDone_ = false;
    bool defaultsUsed_ = false;
    bool boardInfoRead_ = false;
    bool productWritePending_ = false;
    Millis productWriteStart_ = 0;
    Millis formatWaitMs_ = 20000;
    Millis formatStart_ = 0;
    bool flashOk_ = false;         // every block of the last download was acknowledged
    int diskLines_ = 0;
    int dataLines_ = 0;
    FlashFiles jobFiles_;
    FlashStats flashStats_;
    std::unique_ptr<Download> download_;
    std::optional<JobKind> openJob_;

    bool watchdogDeferred_ = false; // a tick's write watchdog waits for its boxes
    Bytes heldRest_;                // the rest of a batch a box stopped
    Bytes heldNew_;                 // what arrived while a box was open
    bool halted_ = false;
};

} // namespace auxpad
