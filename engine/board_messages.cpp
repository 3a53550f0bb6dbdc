// What the board's service messages mean to the station: its power-up, its self-test,
// and its answers about the product information.
#include <algorithm>
#include <utility>

#include "base/latin1.h"
#include "engine/station_engine.h"
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

} // namespace

// Whether the frame's data reaches `offset`; a shorter one is logged and ignored.
bool StationEngine::reaches(std::span<const std::uint8_t> frame, std::size_t offset)
{
    if (offset < 6u + frame[5])
        return true;
    logTraffic("\nMessage too short to read: ignored");
    return false;
}

void StationEngine::boardMessage(std::span<const std::uint8_t> frame)
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

void StationEngine::powerUp()
{
    ++powerUps_;
    hideBar();
    setBarValue(0);
    // A write still awaited ends without its answer: whether it took, nobody knows.
    if (std::exchange(productWritePending_, false) && openJob_ == JobKind::ProductInfo)
        endJob(JobOutcome::Failed);
}

void StationEngine::productInfoWritten(std::span<const std::uint8_t> frame)
{
    if (!reaches(frame, kStatus))
        return;
    if (frame[kStatus] == 1)
        appendLine(text::kInfoWritten);
    else
        appendLine(std::string(text::kInfoRefused) + '\n' + text::kWriteOrFlashAgainPlease);
    productWritePending_ = false;
    hideBar();
    if (openJob_ == JobKind::ProductInfo)
        endJob(frame[kStatus] == 1 ? JobOutcome::Passed : JobOutcome::Failed);
}

void StationEngine::selfTestAnswered(std::span<const std::uint8_t> frame)
{
    if (!reaches(frame, kStatus))
        return;
    // A failed answer is a failed self-test however short; a passed one must carry its
    // result codes to be read at all.
    if (frame[kStatus] == 1 && !reaches(frame, kLastResultCode))
        return;
    selfTestReplied_ = true;
    selfTestPassed_ = frame[kStatus] == 1 && std::all_of(frame.begin() + 12, frame.begin() + kLastResultCode + 1,
                                                        [](std::uint8_t code) { return code == kPassed; });
    reportSelfTest(frame);
    if (mode_ == JobMode::FlashBoardCheck)
        mode_ = JobMode::FlashReadInfo;
    if (mode_ == JobMode::ProductBoardCheck || mode_ == JobMode::SelfTestCheck)
        ticksLeft_ = 1;
    hideBar();
}

void StationEngine::reportSelfTest(std::span<const std::uint8_t> frame)
{
    // The jobs that end on the answer show what failed; the flash job goes on regardless.
    const bool writing = mode_ == JobMode::ProductBoardCheck || mode_ == JobMode::SelfTestCheck;
    if (frame[kStatus] != 1) {
        if (writing) {
            box(text::kSelfTestFailed, Icon::Warning);
            selfTestReplied_ = false;
        }
        return;
    }
    if (*selfTestPassed_) {
        setCaption(text::kBoardReady);
        return;
    }
    std::string report = text::kSelfTestResult;
    for (const SelfTestPart& part : kSelfTestParts) {
        if (frame[part.offset] == kPassed)
            continue;
        report += part.failure;
        if (writing) {
            setCaption(report);
            box(part.box, Icon::Warning);
            if (part.stopsWrite)
                selfTestReplied_ = false;
            return;
        }
    }
}

void StationEngine::productInfoRead(std::span<const std::uint8_t> frame)
{
    if (!reaches(frame, kStatus))
        return;
    if (frame[kStatus] == 1) {
        if (!reaches(frame, kRecord + kProductRecordSize - 1))
            return; // counts as no answer
        const ProductInfo info = decodeProductRecord(frame.subspan(kRecord).first<kProductRecordSize>());
        for (std::size_t b = 0; b < info.size(); ++b)
            setProductBox(static_cast<int>(b), latin1ToUtf8(info[b]));
        boardInfoRead_ = true;
    }
    productReadDone_ = true;
    ticksLeft_ = 0;
    hideBar();
}

// The board's test-info answers go to the traffic log, where the operator who asked for
// them by hand is looking.
void StationEngine::testInfo(std::span<const std::uint8_t> frame, bool update)
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
