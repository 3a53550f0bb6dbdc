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
// when it lies in `range` and a passed write holds it; otherwise the lowest free number
// of the range is reserved for `port`.
Expected<SerialChoice, std::string> chooseSerial(RecordsThread::Stores& stores, const QString& own,
                                                 const SerialRange& range, const QString& recipe, const QString& port);

// A reserved serial's end: written to its board, or not.
Expected<void, QString> endReservation(RecordsThread::Stores& stores, const QString& serial, bool written);

} // namespace auxpad
