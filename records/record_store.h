#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

class QSqlDriver;

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "base/expected.h"
#include "records/job_record.h"
#include "records/line_reads.h"
#include "records/label_record.h"
#include "records/record_query.h"
#include "records/serial_range.h"
#include "records/serial_state.h"
#include "records/store_connection.h"

namespace auxpad {

// The records of board jobs on one connection: the station's journal, where every record
// is written first, or a line's database, which journals feed, and what the reports read.
class RecordStore : public StoreConnection {
public:
    using StoreConnection::markSerial;
    using StoreConnection::reserveSerial;
    using StoreConnection::save;
    using StoreConnection::saveAll;
    using StoreConnection::serialPassed;

    // Listens on a channel of the PostgreSQL connection: its driver's `notification`
    // signal tells each one, on this thread. A SQLite file has no channels.
    Expected<QSqlDriver*, QString> subscribe(const QString& channel);
    // Whether the store answers, with a mark that moves whenever another connection has
    // committed to a SQLite file (always 0 on PostgreSQL, which notifies instead).
    Expected<qint64, QString> changeMark();
    // Records this station's processes left running when they died are interrupted now:
    // those of a process that `alive` says is gone (by default, one this machine no
    // longer runs).
    static bool processAlive(qint64 pid);
    Expected<int, QString> closeLeftovers(const std::function<bool(qint64)>& alive = processAlive);

    // In a journal: the records held for a line database (as shownUrl names it), their
    // number, and the mark that each went there in the state it was delivered in.
    Expected<int, QString> heldCount(const QString& lineDb);
    Expected<std::vector<JobRecord>, QString> held(const QString& lineDb, int most);
    Expected<void, QString> markDelivered(const std::vector<JobRecord>& records);

    // The records that pass the filter, oldest first, one at a time: every column, or only
    // those a report's table shows (up to the job's seconds).
    enum class Reading { Whole, TableColumns };
    Expected<void, QString> visit(const RecordFilter& filter, const std::function<void(const JobRecord&)>& each,
                                  Reading reading = Reading::Whole);
    Expected<std::vector<JobRecord>, QString> find(const RecordFilter& filter);
    // For the columns a report's table shows, the longest text among the records that
    // pass the filter (a line break counted as the two characters \n) or the largest
    // number; one quick query where reading every record twice would be slow.
    Expected<std::map<QString, double>, QString> longest(const RecordFilter& filter);
    // The records that pass the filter as CSV in UTF-8, oldest first: a header row, then
    // a line for each, with CRLF line ends; handed to `write` a large piece at a time
    // (records/record_csv.cpp).
    Expected<void, QString> writeCsv(const RecordFilter& filter, const std::function<void(const QByteArray&)>& write);
    // The summary of the records that pass the filter (records/record_query.cpp).
    Expected<Summary, QString> summarise(const RecordFilter& filter, Period by, Per per = Per::Station);
    // What the line's page reads (records/line_reads.cpp): the boards running among the
    // records that pass the filter; their counts by station and hour; the captions of the
    // failed ones, the most frequent first.
    Expected<std::vector<RunningBoard>, QString> running(const RecordFilter& filter);
    Expected<std::vector<HourCount>, QString> hourCounts(const RecordFilter& filter);
    Expected<std::vector<FailureCount>, QString> topFailures(const RecordFilter& filter);

    // The journal's labels (records/label_records.cpp): one queued, the marks of its
    // state as its machine moves it (label/label_spool.h, the one caller), and the list of
    // them: all, those not printed yet (queued, handed or held), or those handed.
    Expected<qint64, QString> queueLabel(const LabelRecord& label);
    Expected<void, QString> markLabelHanded(qint64 id, int attempts);
    Expected<void, QString> markLabelPrinted(qint64 id, int jobId);
    Expected<void, QString> markLabelHeld(qint64 id, const QString& reason);
    Expected<void, QString> markLabelFailed(qint64 id, const QString& reason);
    Expected<void, QString> markLabelUnsure(qint64 id, const QString& reason);
    enum class Labels { All, Held, Handed };
    Expected<std::vector<LabelRecord>, QString> labels(Labels which);
    // The newest label of a serial, if it has one.
    Expected<std::optional<LabelRecord>, QString> lastLabel(const QString& serial);


    // Serial leases (records/serial_lease.cpp). In the line's database, where a lease is
    // held by a journal, whatever its station is called: `more` of the lowest free numbers
    // of `range` leased to `journal` at once (another station or command waits meanwhile),
    // then every number of the range leased to it there, the new ones among them; the
    // numbers leased to a journal now; the states a journal delivers, each number's written
    // state refused by the database itself when the number is not leased to that journal
    // (the refusals are returned, the rest applied); leased numbers given back by their
    // journal, how many; every number leased to a journal that is gone, given back with
    // the reason on record.
    Expected<QStringList, QString> leaseSerials(const QString& journal, const SerialRange& range,
                                                const QString& recipe, int more);
    Expected<QStringList, QString> leasedTo(const QString& journal, const std::optional<SerialRange>& range = {});
    Expected<std::vector<SerialRefusal>, QString> applySerialStates(const QString& journal,
                                                                     const std::vector<SerialState>& states);
    Expected<int, QString> releaseSerials(const QString& journal, const QStringList& serials);
    Expected<int, QString> releaseJournal(const QString& journal, const QString& reason);
    // The journals of the line's database: this station's name used by `journal` (and
    // whether it delivered now), with the other journals that use the name too; the
    // journals whose identity starts with `start`; the station names two journals use.
    Expected<std::vector<Namesake>, QString> registerJournal(const QString& journal, bool delivered);
    Expected<QStringList, QString> journalsLike(const QString& start);
    Expected<std::set<QString>, QString> sharedStationNames();
    // In the station's journal, for the line database `lineDb` (as shownUrl names it):
    // leased numbers kept (a number known already keeps its state, and one of `range` no
    // board took that the line no longer leases to this journal is dropped); how many of
    // `range` are left to take; the lowest of them taken for a board on `port`, in one
    // transaction (none when the lease is empty); a taken number's end, "written" or "not
    // written" (false for a number not leased to this station); the states not yet
    // delivered, the mark that they were, or that the line refused them and why, and those
    // refused; the numbers still leased, and their removal once given back.
    Expected<void, QString> keepLease(const QString& lineDb, const QString& recipe, const SerialRange& range,
                                      const QStringList& serials);
    Expected<int, QString> leaseLeft(const QString& lineDb, const SerialRange& range);
    Expected<std::optional<QString>, QString> takeLeased(const QString& lineDb, const SerialRange& range,
                                                         const QString& port);
    Expected<bool, QString> markLeased(const QString& lineDb, const QString& serial, const QString& state);
    Expected<std::vector<SerialState>, QString> heldSerialStates(const QString& lineDb);
    Expected<void, QString> markSerialStatesDelivered(const QString& lineDb, const std::vector<SerialState>& states);
    Expected<void, QString> markSerialStatesRefused(const QString& lineDb, const std::vector<SerialState>& states,
                                                    const std::vector<SerialRefusal>& refusals);
    Expected<std::vector<SerialRefusal>, QString> refusedSerialStates(const QString& lineDb);
    Expected<QStringList, QString> leasedSerials(const QString& lineDb);
    Expected<void, QString> dropLease(const QString& lineDb, const QStringList& serials);
    // The rows a read-only query gives, each a list of its columns' values, with `values`
    // bound to its placeholders (the audit's reads, records/audit.cpp).
    Expected<std::vector<QVariantList>, QString> rows(const QString& sql, const QVariantList& values = {});

    // Every number of `range` a reservation holds, lowest first: leased to a station,
    // reserved for a board, written or not written.
    Expected<std::vector<SerialState>, QString> serialStates(const SerialRange& range);

private:
    Expected<void, QString> updateLabel(qint64 id, const QString& set, const QVariantList& values);
    // Inside a transaction of the line's database: what this station's name held before
    // leases knew journals becomes `journal`'s; who holds a number, as a refusal says it.
    Expected<void, QString> adoptUnclaimed(const QString& journal);
    QString holderOf(const QString& serial);
};

} // namespace auxpad
