#pragma once

#include <QString>
#include <QVariantList>

#include <functional>
#include <vector>

#include "base/expected.h"
#include "records/job_record.h"

namespace auxpad {

class StoreConnection;

// What a store works out for a record before it writes it, and writes beside it, in the
// record's own transaction (a journal: what a board's tries say, and the record held for
// its sinks); nothing unless a store says so.
class RecordHooks {
public:
    virtual ~RecordHooks() = default;
    // `writes` holds the record, which may be worked out further; a hook adds the other
    // records its write changes (a board's earlier try, which the new one makes a try again).
    virtual Expected<void, QString> derive(std::vector<JobRecord>& writes) = 0;
    // Just before the row is written: a journal chains a record's revision as it hands it
    // on, not as it writes it, so that a board's record costs what it did to write.
    virtual void unchain(JobRecord& record) = 0;
    virtual Expected<void, QString> alongside(const JobRecord& record) = 0;
};

// The records of board jobs (board_jobs) over a store's connection. A record is keyed by
// its job's uuid, so writing it again, or an earlier state of it after a later one, leaves
// one row with its latest state.
class RecordTable {
public:
    explicit RecordTable(StoreConnection& store, RecordHooks* hooks = nullptr) : store_(store), hooks_(hooks) {}

    // A job's record, in a transaction of its own; or several in one transaction: all of
    // them or none. On PostgreSQL, a notification on `announce` goes with the transaction,
    // when one is named.
    Expected<void, QString> save(const JobRecord& record) { return saveAll({record}); }
    Expected<void, QString> saveAll(const std::vector<JobRecord>& records, const QString& announce = {});

    // The records held for a line database (as StoreUrls::shownUrl names it), their
    // number, and the mark that each went there in the state it was delivered in.
    Expected<int, QString> heldCount(const QString& lineDb);
    Expected<std::vector<JobRecord>, QString> held(const QString& lineDb, int most);
    Expected<void, QString> markDelivered(const std::vector<JobRecord>& records);
    // At most `most` records, in the order they were kept, of those `where` (with `values`) holds.
    Expected<std::vector<JobRecord>, QString> where(const QString& where, const QVariantList& values, int most);

    // Records the station's processes left running when they died are interrupted now:
    // those of a process that `alive` says is gone.
    Expected<int, QString> closeLeftovers(const std::function<bool(qint64)>& alive);

private:
    Expected<void, QString> write(JobRecord record);

    StoreConnection& store_;
    RecordHooks* hooks_;
};

} // namespace auxpad
