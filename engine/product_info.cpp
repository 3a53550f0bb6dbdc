// The six product-information boxes: loaded from flash.ini, checked, written to the
// board, and asked of it.
#include <algorithm>

#include "base/latin1.h"
#include "engine/station_engine.h"
#include "engine/texts.h"

namespace auxpad {

namespace {
constexpr std::uint8_t kWriteRequest = 0x46;
constexpr std::uint8_t kReadRequest = 0x48;
} // namespace

void StationEngine::applyDefaults()
{
    const auto defaults = ini_.productDefaults();
    if (!defaults.fault.empty())
        return fault(defaults.fault);
    for (const auto& [index, value] : defaults.value.boxes)
        setProductBox(index, latin1ToUtf8(value)); // flash.ini is 8-bit text
    if (defaults.value.error)
        box(*defaults.value.error, Icon::None);
}

void StationEngine::writeProductInfo(Millis now)
{
    if (const auto problem = checkProductInfo(boxes_)) {
        switch (problem->kind) {
        case ProductInfoProblem::Kind::Length:
            boxThenCaption(problem->text, Icon::None);
            appendLine(text::kInfoNotWritten);
            break;
        case ProductInfoProblem::Kind::Date:
            box(problem->text + text::kPleaseCheck, Icon::None);
            setCaption(problem->text + '\n' + text::kInfoNotWritten);
            break;
        case ProductInfoProblem::Kind::NotLatin1:
            box(problem->text, Icon::None);
            setCaption(problem->text + '\n' + text::kInfoNotWritten);
            break;
        }
        return;
    }
    const ProductRecord record = encodeProductRecord(toLatin1(boxes_));
    Bytes payload(1 + record.size(), kWriteRequest);
    std::copy(record.begin(), record.end(), payload.begin() + 1);
    setCaption(text::kWritingInfo);
    link_.sender().request(payload);
    productWritePending_ = true;
    productWriteStart_ = now;
    showBar(0);
}

void StationEngine::readProductInfo()
{
    setCaption(text::kReadingInfo);
    productReadDone_ = false;
    link_.sender().request({kReadRequest});
    showBar(0);
}

} // namespace auxpad
