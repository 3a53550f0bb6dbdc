// The reads of the line's page: small answers from the indexes of schema 5, so that a
// page that asks again whenever a record arrives never reads the whole table.
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "records/board_rule.h"
#include "records/record_reader.h"

namespace auxpad {

Expected<std::vector<RunningBoard>, QString> RecordReader::running(const RecordFilter& filter)
{
    if (!isOpen())
        return fail("read", "they are not open");
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    // Read through the index of the result and the start. A board brought up runs a job
    // of its bring-up, and shows once, as its bring-up.
    q.prepare("SELECT station, port, serial, job, started FROM board_jobs" + whereOf(filter)
              + countedSql(Counting::Boards) + " AND result = 'running' ORDER BY station, port, started");
    bindFilter(q, filter);
    if (!q.exec())
        return fail("read", q.lastError().text());
    std::vector<RunningBoard> out;
    while (q.next())
        out.push_back({q.value(0).toString(), q.value(1).toString(), q.value(2).toString(), q.value(3).toString(),
                       q.value(4).toString()});
    return out;
}

Expected<std::vector<HourCount>, QString> RecordReader::hourCounts(const RecordFilter& filter)
{
    if (!isOpen())
        return fail("read", "they are not open");
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    // Grouped by an expression of the station, not the column itself: by the column,
    // SQLite reads the whole index of station and hour, a year of records, in its order
    // to save sorting the day's few thousand it finds through the index of the start.
    // The page counts boards, as the report's summary does.
    q.prepare(QStringLiteral("SELECT station || '', substr(started, 1, 13), COUNT(*), "
                             "SUM(CASE WHEN %1 THEN 1 ELSE 0 END), SUM(CASE WHEN %2 THEN 1 ELSE 0 END), "
                             "SUM(CASE WHEN %3 THEN 1 ELSE 0 END), MAX(COALESCE(finished, started)) FROM board_jobs")
                  .arg(boardPassedSql(), boardFailedSql(), firstPassedSql())
              + whereOf(filter) + countedSql(Counting::Boards) + " GROUP BY 1, 2 ORDER BY 2, 1");
    bindFilter(q, filter);
    if (!q.exec())
        return fail("read", q.lastError().text());
    std::vector<HourCount> out;
    while (q.next())
        out.push_back({q.value(0).toString(), q.value(1).toString(), q.value(2).toLongLong(), q.value(3).toLongLong(),
                       q.value(4).toLongLong(), q.value(5).toLongLong(), q.value(6).toString()});
    return out;
}

Expected<std::vector<SlotCount>, QString> RecordReader::slotCounts(const RecordFilter& filter)
{
    if (!isOpen())
        return fail("read", "they are not open");
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT station || '', port || '', COUNT(*), SUM(CASE WHEN %1 THEN 1 ELSE 0 END) FROM board_jobs")
                  .arg(firstFailedSql())
              + whereOf(filter) + countedSql(Counting::Boards) + " GROUP BY 1, 2 ORDER BY 1, 2");
    bindFilter(q, filter);
    if (!q.exec())
        return fail("read", q.lastError().text());
    std::vector<SlotCount> out;
    while (q.next())
        out.push_back({q.value(0).toString(), q.value(1).toString(), q.value(2).toLongLong(), q.value(3).toLongLong()});
    return out;
}

} // namespace auxpad
