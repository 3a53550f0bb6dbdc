#pragma once

#include <memory>
#include <optional>
#include <variant>

#include "engine/download.h"
#include "engine/job_summary.h"

namespace auxpad {

// What every job keeps from its start.
struct JobBasis {
    Millis startedAt = 0;
    int boxesBefore = 0; // boxes shown before it began: the job's own come after
};

// The flash job walks through its stages one tick at a time; the two downloads run
// inside theirs.
struct FlashJob : JobBasis {
    enum class Stage {
        SelfTest,   // awaiting the self-test answer or a power-up
        ReadInfo,   // next tick: ask for the product information
        AwaitInfo,  // awaiting it; the defaults stand in if it does not come
        InitDisk,   // the InitDisk download, at the next tick and while it runs
        FormatWait, // the board formats its flash
        InitData,   // the InitData download runs
    };
    Stage stage = Stage::SelfTest;
    DownloadFile initDisk, initData;
    int diskLines = 0;
    std::unique_ptr<Download> download; // the one under way
    bool infoAnswered = false;          // the board answered the product-information read
    FieldSource fieldsFrom = FieldSource::None;
    Millis formatStart = 0;
    std::optional<Millis> formatWait;
};

// The product-information job: the self-test, then the write, whose answer ends it.
struct ProductJob : JobBasis {
    enum class Stage { SelfTest, Writing };
    Stage stage = Stage::SelfTest;
    bool mayWrite = false; // the last self-test answer lets the write go ahead
    ProductFields values;  // what was written
};

// The self-test job: the answer is the result.
struct SelfTestJob : JobBasis {
    std::optional<bool> passed; // once answered: whether every part passed
};

using JobState = std::variant<std::monostate, FlashJob, ProductJob, SelfTestJob>;

} // namespace auxpad
