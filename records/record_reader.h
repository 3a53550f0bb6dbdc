#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantList>

class QSqlDriver;

#include <functional>
#include <map>
#include <set>
#include <vector>

#include "records/record_query.h"
#include "records/serial_range.h"
#include "records/serial_state.h"
#include "records/store_connection.h"

namespace auxpad {

// What the reports, the line's page and the audit read, from a line's database or a
// station's journal alike (both keep the one schema): it writes nothing, so a reader
// opens a store MustExist, or ReadOnly where a write must never happen even by mistake.
class RecordReader : public StoreConnection {
public:
    // The records that pass the filter, oldest first, one at a time: every column, or only
    // those a report's table shows (up to the job's seconds). Each is read into the one
    // record, which `each` may keep by moving it out.
    enum class Reading { Whole, TableColumns };
    Expected<void, QString> visit(const RecordFilter& filter, const std::function<void(JobRecord&)>& each,
                                  Reading reading = Reading::Whole);
    Expected<std::vector<JobRecord>, QString> find(const RecordFilter& filter);
    // For the columns a report's table shows, the longest text among the records that
    // pass the filter (a line break counted as the three characters " / ") or the largest
    // number; one quick query where reading every record twice would be slow.
    Expected<std::map<QString, double>, QString> longest(const RecordFilter& filter);
    // The records that pass the filter as CSV in UTF-8, oldest first: a header row, then
    // a line for each, with CRLF line ends; handed to `write` a large piece at a time
    // (records/record_csv.cpp).
    Expected<void, QString> writeCsv(const RecordFilter& filter, const std::function<void(const QByteArray&)>& write);
    // The summary of the records that pass the filter (records/record_query.cpp).
    Expected<Summary, QString> summarise(const RecordFilter& filter, Period by, Per per = Per::Station);
    // The failed boards (or jobs) among the records that pass the filter, by step and cause,
    // the most frequent first (records/record_summary.cpp); and their texts, as they are
    // counted up.
    Expected<std::vector<FailureCount>, QString> failures(const RecordFilter& filter,
                                                          Counting counting = Counting::Boards);
    Expected<std::vector<FailureText>, QString> failureTexts(const RecordFilter& filter, Counting counting);
    // Every number of `range` a reservation holds, lowest first: leased to a station,
    // reserved for a board, written or not written.
    Expected<std::vector<SerialState>, QString> serialStates(const SerialRange& range);
    // The station names two journals use, which a report tells apart by the journal.
    Expected<std::set<QString>, QString> sharedStationNames();
    // The rows a query gives, each a list of its columns' values, with `values` bound to
    // its placeholders (the audit's reads, records/audit.cpp); or with a filter's values
    // bound to the placeholders of its conditions (whereOf).
    Expected<std::vector<QVariantList>, QString> rows(const QString& sql, const QVariantList& values = {});
    Expected<std::vector<QVariantList>, QString> filteredRows(const QString& sql, const RecordFilter& filter);

    // Listens on a channel of the PostgreSQL connection: its driver's `notification`
    // signal tells each one, on this thread. A SQLite file has no channels.
    Expected<QSqlDriver*, QString> subscribe(const QString& channel);
    // Whether the store answers, with a mark that moves whenever another connection has
    // committed to a SQLite file (always 0 on PostgreSQL, which notifies instead).
    Expected<qint64, QString> changeMark();
};

} // namespace auxpad
