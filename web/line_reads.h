#pragma once

// The reads of the line's page (web/line_reads.cpp): small answers from the indexes of
// the records, so that a page that asks again whenever a record arrives never reads the
// whole table; of boards, as a person counts them.
#include <QString>

#include <vector>

#include "records/record_reader.h"

namespace auxpad {

// A board whose job is under way, as the line's page shows it.
struct RunningBoard {
    QString station;
    QString port;
    QString serial;
    QString job;
    QString started;
};

// One station's boards that started in one hour (named by its front, 2026-12-07T08), and
// the latest time one of them was written: its end, or its start while it runs.
struct HourCount {
    QString station;
    QString hour;
    qint64 boards = 0;
    qint64 passed = 0;
    qint64 failed = 0;
    qint64 firstPass = 0; // boards whose first try passed
    QString last;
};

// One slot's boards (a station's port) and how many of them failed their first try.
struct SlotCount {
    QString station;
    QString port;
    qint64 boards = 0;
    qint64 firstFailed = 0;
};

// The boards running among the records that pass the filter; their counts by station and
// hour; each slot's boards and first-try failures.
Expected<std::vector<RunningBoard>, QString> runningBoards(RecordReader& records, const RecordFilter& filter);
Expected<std::vector<HourCount>, QString> hourCounts(RecordReader& records, const RecordFilter& filter);
Expected<std::vector<SlotCount>, QString> slotCounts(RecordReader& records, const RecordFilter& filter);

} // namespace auxpad
