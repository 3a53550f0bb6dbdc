#pragma once

#include "bringup/bring_up_machine.h"
#include "records/delivery.h"
#include "records/serial_range.h"

namespace auxpad {

// Which passed records count when asking whether a serial is on a board already.
struct PassedFilter {
    QString job;    // "" for any job
    QString recipe; // "" for any recipe
};

// The one question "has this serial passed", asked on the records' thread: where serials
// are handed out, or, when that database does not answer, in this station's journal.
Expected<bool, QString> serialPassed(RecordsThread::Stores& stores, const QString& serial, const PassedFilter& filter = {});

// The one rule for a board's serial, on the records' thread: the board's own `own` stays
// when it lies in `range` and a passed write holds it; otherwise a new number is reserved
// for `port`. Without a line database, the journal's lowest free number of the range.
// With one, the lowest of this station's lease, taken in the journal without asking the
// line's database; only an empty lease asks it for a lease of `lease` numbers first.
Expected<SerialChoice, std::string> chooseSerial(RecordsThread::Stores& stores, const QString& own,
                                                 const SerialRange& range, const QString& recipe, const QString& port,
                                                 int lease);

// A reserved serial's end: written to its board, or not. A leased number's end is kept in
// the journal, which delivers it to the line's database with the records.
Expected<void, QString> endReservation(RecordsThread::Stores& stores, const QString& serial, bool written);

// The one rule of when a lease of `size` numbers with `left` untaken wants more: under half.
constexpr bool leaseWantsRefill(int left, int size)
{
    return left * 2 < size;
}

// Whether a look at the lease asks the line's database only when the lease wants numbers,
// or in any case: a bench's first look does, because numbers given back for this journal
// by hand while it was away must not be handed out from the journal.
enum class LeaseLook { WhenLow, WithTheLine };

// Tops this station's lease of `range` up to `size` numbers when it wants a refill: in
// one locked transaction of the line's database, then kept in the journal, which drops
// any number the line no longer leases to it. How many numbers the lease holds then.
Expected<int, QString> refillLease(RecordsThread::Stores& stores, const SerialRange& range, const QString& recipe,
                                   int size, LeaseLook look = LeaseLook::WhenLow);

} // namespace auxpad
