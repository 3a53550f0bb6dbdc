// The words of where a job stopped and why, from the one table of words.
#include <iterator>

#include "base/result_words.h"
#include "engine/job_summary.h"

namespace auxpad {

static_assert(std::size(words::kSteps) == static_cast<std::size_t>(Step::Label),
              "a word for every step but none, in the order of Step");
static_assert(std::size(words::kCauses) == static_cast<std::size_t>(FailureCause::NoSerial),
              "a word for every cause but none, in the order of FailureCause");

const char* stepName(Step step)
{
    return step == Step::None ? "" : words::kSteps[static_cast<std::size_t>(step) - 1];
}

const char* causeName(FailureCause cause)
{
    return cause == FailureCause::None ? "" : words::kCauses[static_cast<std::size_t>(cause) - 1].word;
}

std::string failureInBrief(Step step, FailureCause cause, std::optional<ProductField> differs)
{
    if (cause == FailureCause::None)
        return {};
    std::string brief = stepName(step);
    if (!brief.empty())
        brief += ": ";
    if (cause == FailureCause::Mismatch && differs) {
        // The field as the records name its column: "serial", "mcusw".
        std::string field = kProductFieldRules[at(*differs)].iniKey;
        for (char& c : field)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        brief += field + ' ';
    }
    return brief + words::kCauses[static_cast<std::size_t>(cause) - 1].said;
}

} // namespace auxpad
