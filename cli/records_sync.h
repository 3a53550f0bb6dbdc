#pragma once

#include <QStringList>

#include "records/delivery.h"

namespace auxpad::cli {

// What delivering this station's held records to a line database came to: the counts,
// and why some are still held, if they are.
struct SyncOutcome {
    auxpad::DeliveryCount count;
    QString problem;
};

// Delivers what the station's journal holds for the line database at `lineUrl`, closing
// first what a dead process of this station left running. Waits for the database.
SyncOutcome syncJournal(const QString& lineUrl,
                        const QString& station = auxpad::RecordStore::stationName({}));

// `auxpad-flash records lease [--release]`: the serial numbers the line database at
// `lineUrl` leased to `station`, as its journal keeps them; released, they go back to the
// line's free numbers (0), or what stood in the way is said (1).
int runLease(const QString& lineUrl, const QString& station, bool release);

// `auxpad-flash records sync|lease [--db URL]`: sync says how many records went and how many are
// still held; 0 when none is, 1 when some are, 2 when the command could not start.
int runRecords(const QStringList& arguments);

} // namespace auxpad::cli
