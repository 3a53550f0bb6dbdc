#pragma once

#include <memory>
#include <optional>
#include <variant>

#include "engine/download.h"
#include "engine/job_summary.h"

namespace auxpad {

// How long the product information is waited for, in ticks.
inline constexpr int kReadInfoTicks = 10;

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
        Paused,     // asked to pause: waits to be let go on to InitDisk
        InitDisk,   // the InitDisk download, at the next tick and while it runs
        FormatWait, // the board formats its flash
        InitData,   // the InitData download runs
    };
    Stage stage = Stage::SelfTest;
    DownloadFile initDisk, initData;
    std::string approvedDisk, approvedData; // the SHA-256 each file must have, if any
    bool pause = false;                     // waits before the first download
    int diskLines = 0;
    std::unique_ptr<Download> download; // the one under way
    bool infoAnswered = false;          // the board answered the product-information read
    FieldSource fieldsFrom = FieldSource::None;
    Millis formatStart = 0;
    std::optional<Millis> formatWait;
};

// The product-information job: the self-test, then the write, whose answer ends it, or
// the read-back that follows a write answered as done.
struct ProductJob : JobBasis {
    enum class Stage { SelfTest, Writing, ReadingBack };
    Stage stage = Stage::SelfTest;
    bool mayWrite = false; // the last self-test answer lets the write go ahead
    bool answered = false; // the board answered its self-test at all
    bool readBack = false;
    ProductFields values;  // what was written
    std::optional<ProductFields> readValues; // what the board gave back, once it did
    std::string difference;                  // what the read-back found changed
    std::optional<ProductField> differs;     // the first field it found changed
};

// The self-test job: the answer is the result.
struct SelfTestJob : JobBasis {
    std::optional<bool> passed; // once answered: whether every part passed
};

using JobState = std::variant<std::monostate, FlashJob, ProductJob, SelfTestJob>;

} // namespace auxpad
