#pragma once

#include <functional>

#include "records/access_log.h"
#include "records/chain.h"
#include "records/label_table.h"
#include "records/lease_table.h"
#include "records/people_table.h"
#include "records/record_table.h"
#include "records/serial_table.h"
#include "records/sink_outbox.h"
#include "records/store_connection.h"

namespace auxpad {

// The station's journal: the SQLite file where every record of its boards is written
// first, and what it keeps until the line's database has it: the records held for it,
// the serial numbers the line leased to this journal with what became of each, and the
// labels of the station's printer, each a table of its own over the one connection.
// Without a line database, serial numbers are reserved here.
class Journal : public StoreConnection, private RecordHooks {
public:
    Journal();

    RecordTable& records() { return records_; }
    SerialTable& serials() { return serials_; }
    LabelTable& labels() { return labels_; }
    LeaseTable& leases() { return leases_; }
    SinkOutbox& outbox() { return outbox_; }
    ChainTable& chain() { return chain_; }
    // Its copy of the line's list of people, or the list itself without a line database.
    PeopleTable& people() { return people_; }
    // What was signed at this station, chained; the wrong PINs; the access rules it ran by.
    AccessLog& access() { return access_; }

    // The chain (records/journal.cpp). A record's revision is chained as it is handed on:
    // the held records about to be delivered, each not chained yet, in one transaction.
    // What the journal holds unchained (a station without a line database, records
    // written before the journal chained its entries, numbers leased then) is chained at
    // its opening and closing, in the order written: how many of them were written before
    // the journal chained its entries; a journal with nothing to chain is not written to.
    Expected<void, QString> chainHeld(std::vector<JobRecord>& records);
    // The numbers' states not chained yet, as they are about to be handed on.
    Expected<void, QString> chainLeases();
    Expected<int, QString> chainUnchained();

    // Records this station's processes left running when they died are interrupted now:
    // those of a process that `alive` says is gone (by default, one this machine no
    // longer runs).
    static bool processAlive(qint64 pid);
    Expected<int, QString> closeLeftovers(const std::function<bool(qint64)>& alive = processAlive)
    {
        return records_.closeLeftovers(alive);
    }

private:
    // A board's record: how the board's first try ended, and, as a new try starts, the
    // board's earlier tries marked as tried again (records/journal.cpp).
    Expected<void, QString> derive(std::vector<JobRecord>& writes) override;
    void unchain(JobRecord& record) override;
    // Inside a transaction: the record's revision chained, its row told its place.
    // `after`: the entry chained just before in the same transaction, if any.
    Expected<ChainEntry, QString> chainOne(JobRecord& record, const ChainEntry* after = nullptr);
    // The record held for the sinks that take it.
    Expected<void, QString> alongside(const JobRecord& record) override { return outbox_.hold(record); }

    ChainTable chain_{*this};
    RecordTable records_{*this, this};
    SerialTable serials_{*this};
    LabelTable labels_{*this};
    LeaseTable leases_{*this, &chain_};
    SinkOutbox outbox_{*this, records_};
    PeopleTable people_{*this};
    AccessLog access_{*this, &chain_};
};

} // namespace auxpad
