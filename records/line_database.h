#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

#include "records/access_log.h"
#include "records/chain.h"
#include "records/people_table.h"
#include "records/record_table.h"
#include "records/serial_state.h"
#include "records/serial_table.h"
#include "records/store_connection.h"

namespace auxpad {

// The line's database, PostgreSQL or a SQLite file, which the stations' journals feed:
// their records arrive here, and here the serial numbers are leased to each journal,
// whatever its station is called, so that no number reaches two boards. It answers
// whether a serial passed, and ends the reservations it made itself before leases.
class LineDatabase : public StoreConnection {
public:
    // The records the journals deliver (saved with StoreUrls::kRecordsChannel, the line's
    // pages hear of them), and the serial numbers reserved here before leases.
    RecordTable& records() { return records_; }
    SerialTable& serials() { return serials_; }
    // Every journal's chain, as each delivers it.
    ChainTable& chain() { return chain_; }
    // Who may sign in and sign, as a lead keeps the list.
    PeopleTable& people() { return people_; }
    // What every station signed, as each delivers it.
    AccessLog& access() { return access_; }

    // Serial leases (records/line_database.cpp): `more` of the lowest free numbers of
    // `range` leased to `journal` at once (another station or command waits meanwhile),
    // then every number of the range leased to it here, the new ones among them; the
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
    // The journal is this database login's from now on, unless another login delivered for
    // it first (which then keeps it): the rows of a journal only its own login may change.
    Expected<void, QString> claimJournal(const QString& journal);
    // The journals that feed it: this station's name used by `journal` (and whether it
    // delivered now), with the other journals that use the name too; the journals whose
    // identity starts with `start`.
    Expected<std::vector<Namesake>, QString> registerJournal(const QString& journal, bool delivered);
    Expected<QStringList, QString> journalsLike(const QString& start);

private:
    // Inside a transaction: what this station's name held before leases knew journals
    // becomes `journal`'s; who holds a number, as a refusal says it.
    Expected<void, QString> adoptUnclaimed(const QString& journal);
    QString holderOf(const QString& serial);

    RecordTable records_{*this};
    SerialTable serials_{*this};
    ChainTable chain_{*this};
    PeopleTable people_{*this};
    AccessLog access_{*this};
};

} // namespace auxpad
