// The jobs, one small step on every 500 ms tick.
#include <algorithm>

#include "base/numbers.h"
#include "engine/station_engine.h"
#include "engine/texts.h"

namespace auxpad {

namespace {

constexpr int kBoardCheckTicks = 20;
constexpr int kReadInfoTicks = 10;
constexpr std::uint8_t kSelfTestRequest = 0x47;

std::string noAnswerCheckCable()
{
    return std::string(text::kNoAnswer) + text::kResetPhone + text::kOr + text::kCheckCable + text::kOr
        + text::kCheckBoard;
}

} // namespace

void StationEngine::boardTest()
{
    selfTestPassed_.reset();
    setCaption(text::kTesting);
    link_.sender().request({kSelfTestRequest, 0x02});
    ticksLeft_ = kBoardCheckTicks;
    showBar(0);
}

void StationEngine::step(Millis now)
{
    if (ticksLeft_ != 0)
        --ticksLeft_;
    switch (mode_) {
    case JobMode::FlashBoardCheck:
        boardCheckOfFlashJob();
        break;
    case JobMode::FlashReadInfo:
        mode_ = JobMode::FlashAwaitInfo;
        ticksLeft_ = kReadInfoTicks;
        readProductInfo();
        break;
    case JobMode::FlashAwaitInfo:
        awaitProductInfo();
        break;
    case JobMode::FlashInitDisk:
        startDownload(DownloadKind::InitDisk, now);
        break;
    case JobMode::FlashFormatWait:
        formatWait(now);
        break;
    case JobMode::ProductBoardCheck:
        boardCheckThenWrite(now);
        break;
    case JobMode::SelfTestCheck:
        selfTestResult();
        break;
    case JobMode::Idle:
        break;
    }
}

// The write watchdog ends every tick; behind a box it runs once the box is closed.
void StationEngine::finishTick(Millis now)
{
    if (halted_)
        return;
    if (waiting())
        watchdogDeferred_ = true;
    else
        writeWatchdog(now);
}

// What is left of the tick that started a download, once the download has ended.
void StationEngine::afterTickWork(Millis now)
{
    finishTick(now);
    pump();
}

void StationEngine::boardCheckOfFlashJob()
{
    showBar(static_cast<float>(100 - ticksLeft_ * 100 / kBoardCheckTicks));
    if (ticksLeft_ != 0)
        return;
    if (powerUpsSeen_ != powerUps_) {
        // A board that powered up since the last time is taken as answering.
        mode_ = JobMode::FlashReadInfo;
        hideBar();
        powerUpsSeen_ = powerUps_;
        return;
    }
    boxThenCaption(noAnswerCheckCable(), Icon::Critical);
    mode_ = JobMode::Idle;
    hideBar();
    setBarValue(0);
    endJob(JobOutcome::Failed);
}

void StationEngine::awaitProductInfo()
{
    showBar(static_cast<float>(100 - ticksLeft_ * 100 / kReadInfoTicks));
    if (ticksLeft_ != 0)
        return;
    if (!productReadDone_) {
        defaultsUsed_ = true;
        applyDefaults();
    }
    mode_ = JobMode::FlashInitDisk;
    hideBar();
}

void StationEngine::afterInitDisk(Millis now)
{
    if (!flashOk_) {
        hideBar();
        setCaption(std::string("\n") + text::kInitDiskFailed + '\n' + text::kFlashAgainOrReset);
        mode_ = JobMode::Idle;
        endJob(JobOutcome::Failed);
        return;
    }
    setCaption(std::string("\n") + text::kFormatting + '\n' + text::kWaitGettingReady);
    mode_ = JobMode::FlashFormatWait;
    const auto seconds = ini_.formatSeconds();
    if (!seconds.fault.empty())
        return fault(seconds.fault);
    formatWaitMs_ = roundHalfEven(seconds.value) * 1000;
    formatStart_ = now;
    flashStats_.formatWait = formatWaitMs_;
    showBar(0);
}

void StationEngine::formatWait(Millis now)
{
    setCaption(text::kFormatting);
    const Millis elapsed = tickDiff(now, formatStart_);
    const double share = static_cast<double>((elapsed % 60000) * 100) / formatWaitMs_;
    showBar(static_cast<float>(std::clamp(share, 0.0, 100.0)));
    if (elapsed <= formatWaitMs_)
        return;
    hideBar();
    startDownload(DownloadKind::InitData, now);
}

void StationEngine::afterInitData()
{
    if (flashOk_)
        setCaption(std::string(text::kFlashed) + '\n' + text::kPleaseReset);
    else
        setCaption(std::string(text::kFlashFailed) + '\n' + text::kResetAndFlashAgain);
    mode_ = JobMode::Idle;
    endJob(flashOk_ ? JobOutcome::Passed : JobOutcome::Failed);
}

void StationEngine::boardCheckThenWrite(Millis now)
{
    setBarValue(static_cast<float>(100 - ticksLeft_ * 100 / kBoardCheckTicks));
    if (ticksLeft_ != 0)
        return;
    if (selfTestReplied_) {
        writeProductInfo(now);
        if (!productWritePending_)
            endJob(JobOutcome::Failed); // the boxes did not pass their checks
    } else {
        boxThenCaption(std::string(text::kNoAnswer) + text::kResetPhone + text::kOr + text::kWriteOrFlashAgain,
                       Icon::Critical);
        setBarValue(0);
        hideBar();
        endJob(JobOutcome::Failed);
    }
    mode_ = JobMode::Idle;
    selfTestReplied_ = false;
}

// The self-test job passes on an answer that reports every part of the board passed.
void StationEngine::selfTestResult()
{
    setBarValue(static_cast<float>(100 - ticksLeft_ * 100 / kBoardCheckTicks));
    if (ticksLeft_ != 0)
        return;
    if (!selfTestPassed_) {
        boxThenCaption(noAnswerCheckCable(), Icon::Critical);
        setBarValue(0);
        hideBar();
    }
    mode_ = JobMode::Idle;
    endJob(selfTestPassed_.value_or(false) ? JobOutcome::Passed : JobOutcome::Failed);
}

// An unanswered product-information write is declared failed after a little over 8 s:
// the bar climbs one step per 100 ms and the first tick that shows more than 80 ends it.
void StationEngine::writeWatchdog(Millis now)
{
    if (!productWritePending_)
        return;
    const Millis d = tickDiff(now, productWriteStart_) % 60000;
    const int value = roundHalfEven(d / 100.0) % 100;
    setBarValue(static_cast<float>(std::max(value, 0)));
    if (value <= 80)
        return;
    productWritePending_ = false;
    hideBar();
    setBarValue(0);
    box(std::string(text::kInfoUnansweredBox) + text::kWriteOrFlashAgainPlease, Icon::None);
    setCaption(std::string(text::kInfoUnanswered) + '\n' + text::kWriteOrFlashAgainPlease);
    if (openJob_ == JobKind::ProductInfo)
        endJob(JobOutcome::Failed);
}

} // namespace auxpad
