// The jobs, one small step on every 500 ms tick.
#include <algorithm>

#include "base/numbers.h"
#include "engine/board_engine.h"
#include "engine/texts.h"

namespace auxpad {

namespace {

constexpr int kSelfTestTicks = 20;
constexpr std::uint8_t kSelfTestRequest = 0x47;

std::string noAnswerCheckCable()
{
    return std::string(text::kNoAnswer) + text::kResetPhone + text::kOr + text::kCheckCable + text::kOr
        + text::kCheckBoard;
}

float countdownShare(int ticksLeft, int ticks)
{
    return static_cast<float>(100 - ticksLeft * 100 / ticks);
}

} // namespace

void BoardEngine::sendSelfTest()
{
    view_.setCaption(text::kTesting);
    link_.sender().request({kSelfTestRequest, 0x02});
    ticksLeft_ = kSelfTestTicks;
    view_.showBar(0);
}

void BoardEngine::step(Millis now)
{
    if (ticksLeft_ != 0)
        --ticksLeft_;
    if (auto* flash = std::get_if<FlashJob>(&job_)) {
        switch (flash->stage) {
        case FlashJob::Stage::SelfTest:
            flashSelfTest(*flash);
            break;
        case FlashJob::Stage::ReadInfo:
            flash->stage = FlashJob::Stage::AwaitInfo;
            ticksLeft_ = kReadInfoTicks;
            readProductInfo(*flash);
            break;
        case FlashJob::Stage::AwaitInfo:
            awaitProductInfo(*flash);
            break;
        case FlashJob::Stage::InitDisk:
            startDownload(*flash, DownloadKind::InitDisk, now);
            break;
        case FlashJob::Stage::FormatWait:
            formatWait(*flash, now);
            break;
        case FlashJob::Stage::Paused:
        case FlashJob::Stage::InitData:
            break;
        }
    } else if (auto* product = std::get_if<ProductJob>(&job_)) {
        if (product->stage == ProductJob::Stage::SelfTest)
            productSelfTest(*product, now);
        else if (product->stage == ProductJob::Stage::ReadingBack)
            compareReadBack(*product);
    } else if (const auto* selfTest = std::get_if<SelfTestJob>(&job_)) {
        selfTestResult(*selfTest);
    }
}

// The write watchdog ends every tick; behind a box it runs once the box is closed. Then
// the sender has its turn.
void BoardEngine::endOfTick(Millis now)
{
    if (halted_)
        return;
    if (out_.boxesOutstanding() > 0)
        watchdogDeferred_ = true;
    else
        writeWatchdog(now);
    pump();
}

void BoardEngine::flashSelfTest(FlashJob& job)
{
    view_.showBar(countdownShare(ticksLeft_, kSelfTestTicks));
    if (ticksLeft_ != 0)
        return;
    if (unseenPowerUp_) {
        // A board that powered up since the last time is taken as answering.
        job.stage = FlashJob::Stage::ReadInfo;
        view_.hideBar();
        unseenPowerUp_ = false;
        return;
    }
    view_.boxThenCaption(noAnswerCheckCable(), Icon::Critical);
    view_.hideBar();
    view_.setBarValue(0);
    endJob(JobOutcome::Failed, FailureCause::NoAnswer);
}

void BoardEngine::awaitProductInfo(FlashJob& job)
{
    view_.showBar(countdownShare(ticksLeft_, kReadInfoTicks));
    if (ticksLeft_ != 0)
        return;
    if (!job.infoAnswered) {
        applyDefaults();
        if (halted_)
            return; // and the job with it
        job.fieldsFrom = FieldSource::Defaults;
    }
    job.stage = job.pause ? FlashJob::Stage::Paused : FlashJob::Stage::InitDisk;
    view_.hideBar();
    if (job.pause)
        out_.post(JobPaused{summary(JobOutcome::Running)});
}

void BoardEngine::afterInitDisk(FlashJob& job, FailureCause failure, Millis now)
{
    if (failure != FailureCause::None) {
        view_.hideBar();
        view_.setCaption(std::string("\n") + text::kInitDiskFailed + '\n' + text::kFlashAgainOrReset);
        return endJob(JobOutcome::Failed, failure);
    }
    view_.setCaption(std::string("\n") + text::kFormatting + '\n' + text::kWaitGettingReady);
    job.stage = FlashJob::Stage::FormatWait;
    const auto seconds = ini_.formatSeconds();
    if (!seconds)
        return fault(seconds.error());
    job.formatWait = roundHalfEven(*seconds) * 1000;
    job.formatStart = now;
    view_.showBar(0);
}

void BoardEngine::formatWait(FlashJob& job, Millis now)
{
    view_.showProgress(text::kFormatting);
    const Millis elapsed = tickDiff(now, job.formatStart);
    const double share = static_cast<double>((elapsed % 60000) * 100) / *job.formatWait;
    view_.showBar(static_cast<float>(std::clamp(share, 0.0, 100.0)));
    if (elapsed <= *job.formatWait)
        return;
    view_.hideBar();
    startDownload(job, DownloadKind::InitData, now);
}

void BoardEngine::afterInitData(FailureCause failure)
{
    const bool whole = failure == FailureCause::None;
    if (whole)
        view_.setCaption(std::string(text::kFlashed) + '\n' + text::kPleaseReset);
    else
        view_.setCaption(std::string(text::kFlashFailed) + '\n' + text::kResetAndFlashAgain);
    endJob(whole ? JobOutcome::Passed : JobOutcome::Failed, failure);
}

void BoardEngine::productSelfTest(ProductJob& job, Millis now)
{
    view_.setBarValue(countdownShare(ticksLeft_, kSelfTestTicks));
    if (ticksLeft_ != 0)
        return;
    if (job.mayWrite) {
        job.values = fields_;
        job.stage = ProductJob::Stage::Writing;
        if (!writeProductInfo(now))
            endJob(JobOutcome::Failed, FailureCause::Refused); // the fields did not pass their checks
        return;
    }
    view_.boxThenCaption(std::string(text::kNoAnswer) + text::kResetPhone + text::kOr + text::kWriteOrFlashAgain,
                         Icon::Critical);
    view_.setBarValue(0);
    view_.hideBar();
    endJob(JobOutcome::Failed, job.answered ? FailureCause::BoardFailed : FailureCause::NoAnswer);
}

// A write the board took passes once what it gives back is what was written.
void BoardEngine::compareReadBack(ProductJob& job)
{
    view_.showBar(countdownShare(ticksLeft_, kReadInfoTicks));
    if (ticksLeft_ != 0)
        return;
    view_.hideBar();
    if (!job.readValues) {
        view_.appendLine(text::kReadBackUnanswered);
        return endJob(JobOutcome::Failed, FailureCause::NoAnswer, std::string(text::kReadBackUnanswered));
    }
    std::string differences;
    for (std::size_t f = 0; f < job.values.size(); ++f) {
        if (job.values[f] == (*job.readValues)[f])
            continue;
        if (!job.differs)
            job.differs = static_cast<ProductField>(f);
        differences += (differences.empty() ? "" : "; ") + std::string(kProductFieldRules[f].name) + " written "
            + job.values[f] + ", read " + (*job.readValues)[f];
    }
    if (differences.empty()) {
        view_.appendLine(text::kReadBackMatches);
        return endJob(JobOutcome::Passed);
    }
    job.difference = differences;
    const std::string said = text::kReadBackDiffers + differences;
    view_.setCaption(said);
    endJob(JobOutcome::Failed, FailureCause::Mismatch, said);
}

// The self-test job passes on an answer that reports every part of the board passed.
void BoardEngine::selfTestResult(const SelfTestJob& job)
{
    view_.setBarValue(countdownShare(ticksLeft_, kSelfTestTicks));
    if (ticksLeft_ != 0)
        return;
    const bool passed = job.passed.value_or(false);
    if (!job.passed) {
        view_.boxThenCaption(noAnswerCheckCable(), Icon::Critical);
        view_.setBarValue(0);
        view_.hideBar();
    }
    endJob(passed ? JobOutcome::Passed : JobOutcome::Failed,
           passed ? FailureCause::None : job.passed ? FailureCause::BoardFailed : FailureCause::NoAnswer);
}

// An unanswered product-information write is declared failed after a little over 8 s:
// the bar climbs one step per 100 ms and the first tick that shows more than 80 ends it.
void BoardEngine::writeWatchdog(Millis now)
{
    if (!pendingWrite_)
        return;
    const Millis d = tickDiff(now, pendingWrite_->sentAt) % 60000;
    const int value = roundHalfEven(d / 100.0) % 100;
    view_.setBarValue(static_cast<float>(std::max(value, 0)));
    if (value <= 80)
        return;
    pendingWrite_.reset();
    view_.hideBar();
    view_.setBarValue(0);
    view_.box(std::string(text::kInfoUnansweredBox) + text::kWriteOrFlashAgainPlease, Icon::None);
    view_.setCaption(std::string(text::kInfoUnanswered) + '\n' + text::kWriteOrFlashAgainPlease);
    if (const auto* product = std::get_if<ProductJob>(&job_); product && product->stage == ProductJob::Stage::Writing)
        endJob(JobOutcome::Failed, FailureCause::NoAnswer);
}

} // namespace auxpad
