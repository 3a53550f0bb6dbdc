#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

#include "clock/clock.h"

namespace auxpad {

// A flash file a job used. It stands outside JobRecord so that it is complete, default
// member values included, before JobRecord's optionals of it are: clang otherwise holds it
// not default-constructible and refuses optional::emplace().
struct JobRecordFile {
    QString path;
    qint64 size = -1;
    QString sha256;
    std::optional<int> blocks;      // sent, once its download ran
    std::optional<double> seconds;
};

// One board job as the records keep it. Times are UTC, ISO 8601 with milliseconds.
struct JobRecord {
    using File = JobRecordFile;

    std::int64_t id = 0; // the row's, in the store it was read from
    QString uuid;        // the job's own, made at its start: the same in every store
    int revision = 1;    // each later state of the record counts one up
    QString started;
    QString finished;
    QString station; // the station's name: the host's, unless named otherwise
    QString port;
    QString device;
    QString job;     // flash, prodinfo, selftest
    QString result;  // running, passed, failed, interrupted
    QString caption; // the status text at the end
    QString message; // the last box shown, or why the line was lost
    // What the board reported, or what was written to it.
    QString serial, hardware, mcusw, dspsw, code, manufacture;
    bool defaultsUsed = false;
    std::optional<File> disk;
    std::optional<File> data;
    std::optional<double> formatWaitSeconds;
    std::optional<double> seconds; // from start to finish
    QString toolVersion;
    qint64 pid = 0; // the process that wrote it, so that a later start can tell a left-over
    // In the station's journal: the line database the record is held for until it is
    // delivered there (as StoreUrls::shownUrl names it), or "" for none.
    QString lineDb;
    // A job of a line's bring-up: the recipe's name and the SHA-256 of its file, where the
    // serial number came from (allocated or kept), and what a read-back found changed.
    QString recipe, recipeSha256, serialSource, readBack;
    // Who ran the job (the operator's badge), for which work order or lot, and why an
    // exception to the line's rules (a reused serial, a board brought up again) was asked.
    QString operatorId, order, reason;
    // In the line's database: the identity of the journal that delivered the record.
    QString journal;
    // The board the job ran on: made when it arrived in its slot, or for a command's port,
    // and the same on every try and every step of that board; a record kept before boards
    // were known is a board of its own.
    QString board;
    // Where the job or bring-up was when it ended (words::kSteps), and why it did not pass
    // (words::kCauses: "" when it passed).
    QString step, cause;
    // On a record that stands for a board, derived by the journal from the board's records
    // as it writes: how the board's first try ended, and that another try of the board
    // followed this one (its last try decides what it came to, so this one is no board of
    // its own).
    QString firstTry;
    bool triedAgain = false;
    // Where this revision stands in the chain of its journal's entries (records/chain.h):
    // the SHA-256 of its content, its entry's number, and the hash of the entry before
    // it. The journal fills them as it writes; the line's database keeps them as they came.
    QString contentSha256;
    qint64 chainSeq = 0; // 0: written before the chain
    QString chainPrev;
};

// Whether a record stands for a board by the line's one rule (base/board_counts.h): a
// bring-up's own record, or a flash or product-information job run without a recipe.
bool standsForBoard(const JobRecord& record);

// UTC now on `clock`, as the records write it.
QString recordTime(const Clock& clock = realClock());

} // namespace auxpad
