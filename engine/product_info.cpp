// The six product fields: loaded from flash.ini, checked, written to the
// board, and asked of it.
#include <algorithm>

#include "base/latin1.h"
#include "engine/board_engine.h"
#include "engine/texts.h"

namespace auxpad {

namespace {
constexpr std::uint8_t kWriteRequest = 0x46;
constexpr std::uint8_t kReadRequest = 0x48;
} // namespace

void BoardEngine::applyDefaults()
{
    const auto defaults = ini_.productDefaults();
    if (!defaults)
        return fault(defaults.error());
    for (const auto& [field, value] : defaults->fields)
        setField(field, latin1ToUtf8(value)); // flash.ini is 8-bit text
    if (defaults->error)
        view_.box(*defaults->error, Icon::None);
}

bool BoardEngine::writeProductInfo(Millis now)
{
    if (const auto problem = checkProductFields(fields_)) {
        switch (problem->kind) {
        case ProductFieldProblem::Kind::Length:
            view_.boxThenCaption(problem->text, Icon::None);
            view_.appendLine(text::kInfoNotWritten);
            break;
        case ProductFieldProblem::Kind::Date:
            view_.box(problem->text + text::kPleaseCheck, Icon::None);
            view_.setCaption(problem->text + '\n' + text::kInfoNotWritten);
            break;
        case ProductFieldProblem::Kind::NotLatin1:
            view_.box(problem->text, Icon::None);
            view_.setCaption(problem->text + '\n' + text::kInfoNotWritten);
            break;
        }
        return false;
    }
    const ProductRecord record = encodeProductRecord(toLatin1(fields_));
    Bytes payload(1 + record.size(), kWriteRequest);
    std::copy(record.begin(), record.end(), payload.begin() + 1);
    view_.setCaption(text::kWritingInfo);
    link_.sender().request(payload);
    pendingWrite_ = PendingWrite{now, fields_[at(ProductField::Serial)]};
    view_.showBar(0);
    return true;
}

void BoardEngine::readProductInfo(FlashJob& job)
{
    job.infoAnswered = false;
    askProductInfo();
}

void BoardEngine::askProductInfo()
{
    view_.setCaption(text::kReadingInfo);
    link_.sender().request({kReadRequest});
    view_.showBar(0);
}

} // namespace auxpad
