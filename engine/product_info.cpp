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

bool StationEngine::checkProductBoxes()
{
    for (std::size_t b = 0; b < boxes_.size(); ++b) {
        if (utf8Length(boxes_[b]) != kProductFields[b].length) {
            boxThenCaption(std::string(text::kPleaseCheckAuxpad) + kProductFields[b].label, Icon::None);
            return false;
        }
    }
    return true;
}

void StationEngine::writeProductInfo(Millis now)
{
    if (!checkProductBoxes()) {
        appendLine(text::kInfoNotWritten);
        return;
    }
    // The date is checked by its characters; a box that is not Latin-1 is caught below.
    const std::string& date = boxes_[5];
    if (!isManufactureDate(utf8ToLatin1(date).value_or(date))) {
        box(std::string(text::kBadDate) + text::kPleaseCheck, Icon::None);
        setCaption(std::string(text::kBadDate) + '\n' + text::kInfoNotWritten);
        return;
    }
    ProductInfo latin1;
    for (std::size_t b = 0; b < boxes_.size(); ++b) {
        const auto bytes = utf8ToLatin1(boxes_[b]);
        if (!bytes) {
            const std::string label = kProductFields[b].label;
            const std::string why = label.substr(0, label.find('!')) + text::kNotOneByte;
            box(why, Icon::None);
            setCaption(why + '\n' + text::kInfoNotWritten);
            return;
        }
        latin1[b] = *bytes;
    }
    const ProductRecord record = encodeProductRecord(latin1);
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
