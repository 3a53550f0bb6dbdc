#pragma once

#include <QString>

#include <vector>

#include "base/expected.h"
#include "records/serial_range.h"

namespace auxpad {

class StoreConnection;

// Serial numbers where a store's records are (serial_reservations, and the serials its
// records hold): the lowest of a range that no record and no earlier reservation holds,
// reserved at once for a port (another station or command waits meanwhile); a
// reservation's end, "written" or "not written"; and whether a passed record holds a
// serial.
class SerialTable {
public:
    explicit SerialTable(StoreConnection& store) : store_(store) {}

    Expected<QString, QString> reserve(const SerialRange& range, const QString& recipe, const QString& port);
    Expected<void, QString> mark(const QString& serial, const QString& state);
    // Whether a passed record (of `job`, with `recipe`, when given) holds `serial`. With
    // `heldFor`, only the records still held for that line database count.
    Expected<bool, QString> passed(const QString& serial, const QString& job = {}, const QString& recipe = {},
                                   const QString& heldFor = {});
    // Every number of `range` that a record or a reservation holds, inside a transaction.
    Expected<std::vector<qint64>, QString> taken(const SerialRange& range);

    // The lock every hand-out of numbers takes on PostgreSQL: one at a time on the store.
    static constexpr long long kHandOutLock = 5523002;

private:
    StoreConnection& store_;
};

} // namespace auxpad
