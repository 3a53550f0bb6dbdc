#include "web/line_reads.h"

#include <QVariant>

#include "records/board_rule.h"

namespace auxpad {

Expected<std::vector<RunningBoard>, QString> runningBoards(RecordReader& records, const RecordFilter& filter)
{
    // Read through the index of the result and the start. A board brought up runs a job
    // of its bring-up, and shows once, as its bring-up.
    const auto rows = records.filteredRows("SELECT station, port, serial, job, started FROM board_jobs" + whereOf(filter)
                                       + countedSql(Counting::Boards) + " AND result = 'running' ORDER BY station, port, started",
                                   filter);
    if (!rows)
        return unexpected(rows.error());
    std::vector<RunningBoard> out;
    for (const QVariantList& r : *rows)
        out.push_back({r[0].toString(), r[1].toString(), r[2].toString(), r[3].toString(), r[4].toString()});
    return out;
}

Expected<std::vector<HourCount>, QString> hourCounts(RecordReader& records, const RecordFilter& filter)
{
    // Grouped by an expression of the station, not the column itself: by the column,
    // SQLite reads the whole index of station and hour, a year of records, in its order
    // to save sorting the day's few thousand it finds through the index of the start.
    // The page counts boards, as the report's summary does.
    const auto rows = records.filteredRows(
        QStringLiteral("SELECT station || '', substr(started, 1, 13), COUNT(*), "
                       "SUM(CASE WHEN %1 THEN 1 ELSE 0 END), SUM(CASE WHEN %2 THEN 1 ELSE 0 END), "
                       "SUM(CASE WHEN %3 THEN 1 ELSE 0 END), MAX(COALESCE(finished, started)) FROM board_jobs")
                .arg(boardPassedSql(), boardFailedSql(), firstPassedSql())
            + whereOf(filter) + countedSql(Counting::Boards) + " GROUP BY 1, 2 ORDER BY 2, 1",
        filter);
    if (!rows)
        return unexpected(rows.error());
    std::vector<HourCount> out;
    for (const QVariantList& r : *rows)
        out.push_back({r[0].toString(), r[1].toString(), r[2].toLongLong(), r[3].toLongLong(), r[4].toLongLong(),
                       r[5].toLongLong(), r[6].toString()});
    return out;
}

Expected<std::vector<SlotCount>, QString> slotCounts(RecordReader& records, const RecordFilter& filter)
{
    // Grouped by expressions of the station and the port, as the hours are.
    const auto rows = records.filteredRows(
        QStringLiteral("SELECT station || '', port || '', COUNT(*), SUM(CASE WHEN %1 THEN 1 ELSE 0 END) FROM board_jobs")
                .arg(firstFailedSql())
            + whereOf(filter) + countedSql(Counting::Boards) + " GROUP BY 1, 2 ORDER BY 1, 2",
        filter);
    if (!rows)
        return unexpected(rows.error());
    std::vector<SlotCount> out;
    for (const QVariantList& r : *rows)
        out.push_back({r[0].toString(), r[1].toString(), r[2].toLongLong(), r[3].toLongLong()});
    return out;
}

} // namespace auxpad
