// What the board's service messages mean to the station: its power-up, its self-test,
// and its answers about the product information.
#include <algorithm>
#include <utility>

#include "base/latin1.h"
#include "engine/board_engine.h"
#include "engine/texts.h"

namespace auxpad {

namespace {

constexpr std::uint8_t kPowerUp = 0x06;
constexpr std::uint8_t kTestInfoRead = 0x6C;
constexpr std::uint8_t kTestInfoUpdate = 0x6D;
constexpr std::uint8_t kProductInfoWritten = 0x6E;
constexpr std::uint8_t kSelfTest = 0x6F;
constexpr std::uint8_t kProductInfo = 0x70;

constexpr std::size_t kId = 9;
constexpr std::size_t kStatus = 10;
constexpr std::size_t kRecord = 11;
constexpr std::size_t kLastResultCode = 16;
constexpr std::uint8_t kPassed = 3;

// The parts of the board that the self-test reports one by one, in the order checked.
struct SelfTestPart {
    std::size_t offset;
    const char* failure; // added to the "SelfTest Result: " caption
    const char* box;
    bool stopsWrite;     // a product-information write does not go ahead
};
constexpr SelfTestPart kSelfTestParts[] = {
    {12, "DSP/NAND/AIC FAILED ", "ERROR03: AUXPAD DSP/NAND/AIC FAILED! ", true},
    {14, "Radio FAILED ", "ERROR04: AUXPAD Radio FAILED! ", false},
    {16, "USB FAILED ", "ERROR05: AUXPAD USB FAILED! ", false},
};

std::string chars(std::span<const std::uint8_t> frame, std::size_t first, std::size_t last)
{
    return latin1ToUtf8(std::string(reinterpret_cast<const char*>(frame.data() + first), last - first + 1));
}

// The product-information job, once its write is on its way.
bool writingJob(const JobState& job)
{
    const auto* product = std::get_if<ProductJob>(&job);
    return product && product->stage == ProductJob::Stage::Writing;
}

} // namespace

// Whether the frame's data reaches `offset`; a shorter one is logged and ignored.
bool BoardEngine::reaches(std::span<const std::uint8_t> frame, std::size_t offset)
{
    if (offset < 6u + frame[5])
        return true;
    logTraffic("\nMessage too short to read: ignored");
    return false;
}

void BoardEngine::boardMessage(std::span<const std::uint8_t> frame)
{
    if (!reaches(frame, kId))
        return;
    switch (frame[kId]) {
    case kPowerUp:
        powerUp();
        break;
    case kProductInfoWritten:
        productInfoWritten(frame);
        break;
    case kSelfTest:
        selfTestAnswered(frame);
        break;
    case kProductInfo:
        productInfoRead(frame);
        break;
    case kTestInfoRead:
        testInfo(frame, false);
        break;
    case kTestInfoUpdate:
        testInfo(frame, true);
        break;
    default:
        break;
    }
}

void BoardEngine::powerUp()
{
    unseenPowerUp_ = true;
    out_.post(BoardHeard{BoardHeard::Kind::PoweredUp});
    view_.hideBar();
    view_.setBarValue(0);
    // A write still awaited ends without its answer: whether it took, nobody knows.
    if (std::exchange(pendingWrite_, std::nullopt) && writingJob(job_))
        endJob(JobOutcome::Failed, FailureCause::NoAnswer);
}

void BoardEngine::productInfoWritten(std::span<const std::uint8_t> frame)
{
    if (!reaches(frame, kStatus))
        return;
    const bool written = frame[kStatus] == 1;
    if (written)
        view_.appendLine(text::kInfoWritten);
    else
        view_.appendLine(std::string(text::kInfoRefused) + '\n' + text::kWriteOrFlashAgainPlease);
    const bool ended = writingJob(job_);
    auto* readingBack = ended && written && std::get<ProductJob>(job_).readBack ? &std::get<ProductJob>(job_) : nullptr;
    if (readingBack) // before the bar goes, so that the job's phase moves straight on
        readingBack->stage = ProductJob::Stage::ReadingBack;
    const auto write = std::exchange(pendingWrite_, std::nullopt);
    view_.hideBar();
    if (written && write)
        out_.post(SerialKnown{write->serial});
    if (readingBack) {
        ticksLeft_ = kReadInfoTicks;
        askProductInfo();
    } else if (ended) {
        endJob(written ? JobOutcome::Passed : JobOutcome::Failed,
               written ? FailureCause::None : FailureCause::BoardFailed);
    }
}

void BoardEngine::selfTestAnswered(std::span<const std::uint8_t> frame)
{
    if (!reaches(frame, kStatus))
        return;
    // A failed answer is a failed self-test however short; a passed one must carry its
    // result codes to be read at all.
    if (frame[kStatus] == 1 && !reaches(frame, kLastResultCode))
        return;
    const bool passed = frame[kStatus] == 1
        && std::all_of(frame.begin() + 12, frame.begin() + kLastResultCode + 1,
                       [](std::uint8_t code) { return code == kPassed; });
    out_.post(BoardHeard{BoardHeard::Kind::Answered});
    const bool mayWrite = reportSelfTest(frame, passed);
    if (auto* flash = std::get_if<FlashJob>(&job_); flash && flash->stage == FlashJob::Stage::SelfTest) {
        flash->stage = FlashJob::Stage::ReadInfo;
    } else if (auto* product = std::get_if<ProductJob>(&job_);
               product && product->stage == ProductJob::Stage::SelfTest) {
        product->mayWrite = mayWrite;
        product->answered = true;
        ticksLeft_ = 1;
    } else if (auto* selfTest = std::get_if<SelfTestJob>(&job_)) {
        selfTest->passed = passed;
        ticksLeft_ = 1;
    }
    view_.hideBar();
}

// Whether the answer lets a product-information write go ahead.
bool BoardEngine::reportSelfTest(std::span<const std::uint8_t> frame, bool passed)
{
    // The jobs that end on the answer show what failed; the flash job goes on regardless.
    const auto* product = std::get_if<ProductJob>(&job_);
    const bool ending = (product && product->stage == ProductJob::Stage::SelfTest)
        || std::holds_alternative<SelfTestJob>(job_);
    if (frame[kStatus] != 1) {
        if (ending)
            view_.box(text::kSelfTestFailed, Icon::Warning);
        return false;
    }
    if (passed) {
        view_.setCaption(text::kBoardReady);
        return true;
    }
    std::string report = text::kSelfTestResult;
    for (const SelfTestPart& part : kSelfTestParts) {
        if (frame[part.offset] == kPassed)
            continue;
        report += part.failure;
        if (ending) {
            view_.setCaption(report);
            view_.box(part.box, Icon::Warning);
            return !part.stopsWrite;
        }
    }
    return true;
}

void BoardEngine::productInfoRead(std::span<const std::uint8_t> frame)
{
    if (!reaches(frame, kStatus))
        return;
    auto* flash = std::get_if<FlashJob>(&job_);
    auto* product = std::get_if<ProductJob>(&job_);
    if (product && product->stage != ProductJob::Stage::ReadingBack)
        product = nullptr;
    if (frame[kStatus] == 1) {
        if (!reaches(frame, kRecord + kProductRecordSize - 1))
            return; // counts as no answer
        const ProductFields info = decodeProductRecord(frame.subspan(kRecord).first<kProductRecordSize>());
        for (std::size_t f = 0; f < info.size(); ++f)
            setField(static_cast<ProductField>(f), latin1ToUtf8(info[f]));
        out_.post(SerialKnown{fields_[at(ProductField::Serial)]});
        if (flash)
            flash->fieldsFrom = FieldSource::Board;
        if (product)
            product->readValues = fields_;
    }
    if (flash)
        flash->infoAnswered = true;
    ticksLeft_ = 0;
    view_.hideBar();
}

// The board's test-info answers go to the traffic log, where the operator who asked for
// them by hand is looking.
void BoardEngine::testInfo(std::span<const std::uint8_t> frame, bool update)
{
    if (!reaches(frame, kStatus))
        return;
    std::string report;
    if (frame[kStatus] == 1) {
        if (!reaches(frame, 26))
            return;
        report = std::string(update ? "Test info write" : "Test info read") + "\nResult: " + chars(frame, 12, 16)
            + "\nDate: " + chars(frame, 17, 22) + "\nNo : " + chars(frame, 24, 26);
    } else {
        report = update ? "TestInfo write FAILED" : "TestInfo read FAILED";
    }
    logTraffic("\n" + report);
}

} // namespace auxpad
