#pragma once

#include <QJsonArray>
#include <QString>

#include <optional>
#include <vector>

#include "records/record_reader.h"

namespace auxpad {

// One of the line's promises, as its stores show it: whether it held, over how many
// things it was checked, and where it broke first (what, and the record's time).
struct Invariant {
    QString name;        // as reports and scripts name it
    QString description; // what it promises, for a person
    bool held = true;
    qint64 count = 0;
    QString broken; // the first thing that broke it, "" while it holds
    QString at;     // the time on record where it broke first, when one is known
    std::optional<qint64> heldLabels; // the labels still held at the end (the label promise)

    // It broke, where `what` says: the first thing that broke it is kept.
    void breaks(const QString& what, const QString& time = {});
};

// A board the audit knows of from outside the stores (a simulated shift's robot pulled
// it): whether its last bring-up passed, and the serial it holds.
struct PulledBoard {
    QString serial;
    bool passed = false;
};

// What the audit reads: the line's database and the journals that feed it, each by the
// name its records give the line (StoreUrls::shownUrl).
struct AuditStores {
    RecordReader* line = nullptr;
    QString lineDb;
    std::vector<RecordReader*> journals;
    bool labelsExpected = false;    // every passed board must have a label (else: where a journal has any)
    std::vector<PulledBoard> boards; // when the boards themselves are known
};

// Checks every promise against the stores themselves: the line's database, and each
// journal given. A store that cannot be read is the error; a promise broken is an
// Invariant that did not hold.
Expected<std::vector<Invariant>, QString> audit(const AuditStores& stores);

// The promise that no record was altered (records/audit_chain.cpp): each journal's chain
// in the line's database follows from its first entry, each record there is the entry of
// its journal's chain it says, in content too, and no record a chain holds is gone; with
// the journals' files, what differs is named column by column.
Expected<Invariant, QString> checkUnaltered(RecordReader& line, const std::vector<RecordReader*>& journals);

// The promises as a table a person reads (a line each: name, held, count), and as JSON.
QString invariantTable(const std::vector<Invariant>& invariants);
QJsonArray invariantJson(const std::vector<Invariant>& invariants);

} // namespace auxpad
