#include "engine/station_engine.h"

#include <utility>

#include "base/latin1.h"
#include "engine/download.h"
#include "engine/texts.h"
#include "fbus/hex_text.h"

namespace auxpad {

StationEngine::StationEngine(TextFiles& files, std::string iniPath)
    : files_(files), ini_(files, std::move(iniPath)), link_(*this)
{
}

StationEngine::~StationEngine() = default;

bool StationEngine::acceptsInput() const
{
    return !halted_ && !download_ && !waiting();
}

// ---- the view ---------------------------------------------------------------------

void StationEngine::setCaption(std::string text, bool paintNow)
{
    caption_ = std::move(text);
    out_.post(CaptionShown{caption_, paintNow});
}

void StationEngine::appendLine(const std::string& line)
{
    setCaption(caption_ + '\n' + line);
}

void StationEngine::showBar(float value)
{
    barVisible_ = true;
    barValue_ = value;
    out_.post(ProgressShown{barVisible_, barValue_});
}

void StationEngine::hideBar()
{
    barVisible_ = false;
    out_.post(ProgressShown{barVisible_, barValue_});
}

void StationEngine::setBarValue(float value)
{
    barValue_ = value;
    out_.post(ProgressShown{barVisible_, barValue_});
}

void StationEngine::box(std::string text, Icon icon)
{
    out_.post(BoxShown{std::move(text), icon});
}

void StationEngine::boxThenCaption(const std::string& text, Icon icon)
{
    box(text, icon);
    setCaption(text);
}

void StationEngine::setProductBox(int box, std::string text)
{
    boxes_[static_cast<std::size_t>(box)] = text;
    out_.post(ProductBoxSet{box, std::move(text)});
}

void StationEngine::fault(std::string message)
{
    halted_ = true;
    download_.reset();
    out_.post(StationFault{std::move(message)});
    endJob(JobOutcome::Failed);
}

void StationEngine::beginJob(JobKind kind)
{
    endJob(JobOutcome::Replaced);
    openJob_ = kind;
    out_.post(JobStarted{kind});
}

void StationEngine::endJob(JobOutcome outcome)
{
    if (openJob_)
        out_.post(JobEnded{*std::exchange(openJob_, std::nullopt), outcome});
}

Phase StationEngine::phase() const
{
    if (download_)
        return download_->kind == DownloadKind::InitDisk ? Phase::InitDisk : Phase::InitData;
    switch (mode_) {
    case JobMode::FlashBoardCheck:
    case JobMode::ProductBoardCheck:
    case JobMode::SelfTestCheck:
        return Phase::BoardCheck;
    case JobMode::FlashReadInfo:
    case JobMode::FlashAwaitInfo:
        return Phase::ReadingInfo;
    case JobMode::FlashInitDisk:
        return Phase::InitDisk;
    case JobMode::FlashFormatWait:
        return Phase::FormatWait;
    case JobMode::Idle:
        break;
    }
    return productWritePending_ ? Phase::WritingInfo : Phase::Idle;
}

const char* phaseName(Phase phase)
{
    switch (phase) {
    case Phase::BoardCheck:
        return "self-test";
    case Phase::ReadingInfo:
        return "product info";
    case Phase::InitDisk:
        return "InitDisk";
    case Phase::FormatWait:
        return "format wait";
    case Phase::InitData:
        return "InitData";
    case Phase::WritingInfo:
        return "writing product info";
    case Phase::Idle:
        break;
    }
    return "done";
}

// ---- the line and the clock -------------------------------------------------------

void StationEngine::received(std::span<const std::uint8_t> bytes, Millis now)
{
    if (halted_)
        return;
    if (download_) {
        // During a download every byte is the bootloader's.
        bootloaderBytes(bytes, now);
        return;
    }
    if (waiting()) {
        heldNew_.insert(heldNew_.end(), bytes.begin(), bytes.end());
        return;
    }
    receiveBatch(bytes);
    pump();
}

void StationEngine::receiveBatch(std::span<const std::uint8_t> bytes)
{
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (const auto frame = link_.receive(bytes[i]); !frame.empty())
            boardMessage(frame);
        if (waiting()) {
            heldRest_.assign(bytes.begin() + static_cast<std::ptrdiff_t>(i + 1), bytes.end());
            return;
        }
    }
}

void StationEngine::pump()
{
    if (!halted_ && !download_ && !waiting())
        link_.sender().pump();
}

void StationEngine::tick(Millis now)
{
    // A tick that falls during a download or while a box is open is not made up.
    if (!acceptsInput())
        return;
    link_.tick();
    step(now);
    if (!download_)
        finishTick(now);
    pump();
}

void StationEngine::boxClosed(Millis now)
{
    out_.boxClosed();
    if (!waiting())
        resumeAfterBoxes(now);
}

void StationEngine::resumeAfterBoxes(Millis now)
{
    if (watchdogDeferred_) {
        watchdogDeferred_ = false;
        writeWatchdog(now);
        if (waiting())
            return;
    }
    // First the rest of the batch a box stopped, then what came meanwhile, as a batch of
    // its own; the sender has its turn after each.
    for (Bytes* held : {&heldRest_, &heldNew_}) {
        if (halted_ || waiting())
            return;
        const Bytes batch = std::exchange(*held, Bytes{});
        receiveBatch(batch);
        pump();
    }
}

// ---- the operator -----------------------------------------------------------------

void StationEngine::startProductJob(const ProductInfo& boxes, Millis)
{
    if (!acceptsInput())
        return;
    boxes_ = boxes;
    if (mode_ != JobMode::Idle) {
        setCaption(text::kNotReady);
        return;
    }
    beginJob(JobKind::ProductInfo);
    boardTest();
    mode_ = JobMode::ProductBoardCheck;
    selfTestReplied_ = false;
    pump();
}

void StationEngine::startSelfTestJob(Millis)
{
    if (!acceptsInput())
        return;
    if (mode_ != JobMode::Idle) {
        setCaption(text::kNotReady);
        return;
    }
    beginJob(JobKind::SelfTest);
    boardTest();
    mode_ = JobMode::SelfTestCheck;
    pump();
}

void StationEngine::loadDefaults(Millis)
{
    if (!acceptsInput())
        return;
    applyDefaults();
}

void StationEngine::sendMessage(std::string_view hex, Millis)
{
    if (!acceptsInput())
        return;
    const HexParse parse = parseHex(hex, kMaxRequestPayload);
    if (parse.count > kMaxRequestPayload) {
        // Too long for one frame: nothing is sent rather than a cut-down message.
        setCaption(text::kDataError);
        return;
    }
    // A bad character still sends the empty request; "Data Error" tells the operator why.
    if (parse.badCharacter)
        setCaption(text::kDataError);
    link_.sender().request(parse.bytes);
    pump();
}

void StationEngine::editProductBox(int box, std::string text)
{
    if (box >= 0 && box < static_cast<int>(boxes_.size()))
        boxes_[static_cast<std::size_t>(box)] = std::move(text);
}

} // namespace auxpad
