#pragma once

#include <QStringList>

#include <optional>
#include <vector>

#include "base/expected.h"
#include "records/serial_range.h"
#include "records/serial_state.h"

namespace auxpad {

class ChainTable;
class StoreConnection;

// The lease the line's database `lineDb` (as StoreUrls::shownUrl names it) gave a journal
// (serial_leases), handed to its boards without asking there: leased numbers kept (a
// number known already keeps its state, and one of `range` no board took that the line no
// longer leases to this journal is dropped); how many of `range` are left to take; the
// lowest of them taken for a board on `port`, in one transaction (none when the lease is
// empty); a taken number's end, "written" or "not written" (false for a number not leased
// to this station); the states not yet delivered, the mark that they were, or that the
// line refused them and why, and those refused; the numbers still leased, and their
// removal once given back.
class LeaseTable {
public:
    // Each change of a number's state is an entry of `chain`, when it is given: a number
    // leased is chained as it is kept, a change of its state as it is handed on.
    explicit LeaseTable(StoreConnection& store, ChainTable* chain = nullptr) : store_(store), chain_(chain) {}

    Expected<void, QString> keep(const QString& lineDb, const QString& recipe, const SerialRange& range,
                                 const QStringList& serials);
    Expected<int, QString> left(const QString& lineDb, const SerialRange& range);
    Expected<std::optional<QString>, QString> take(const QString& lineDb, const SerialRange& range, const QString& port);
    Expected<bool, QString> mark(const QString& lineDb, const QString& serial, const QString& state);
    Expected<std::vector<SerialState>, QString> heldStates(const QString& lineDb);
    Expected<void, QString> markStatesDelivered(const QString& lineDb, const std::vector<SerialState>& states);
    Expected<void, QString> markStatesRefused(const QString& lineDb, const std::vector<SerialState>& states,
                                              const std::vector<SerialRefusal>& refusals);
    Expected<std::vector<SerialRefusal>, QString> refusedStates(const QString& lineDb);
    Expected<QStringList, QString> leased(const QString& lineDb);
    Expected<void, QString> drop(const QString& lineDb, const QStringList& serials);
    // Whether a number's state waits to be chained.
    Expected<bool, QString> anyUnchained();
    // Inside a transaction: chains every number's state not chained yet, in the order
    // written; how many of them were written before the journal chained its entries.
    Expected<int, QString> chainUnchained();

private:
    // Inside a change's transaction: the number's state as it is now, chained, and its
    // place in the chain kept with it (`after`: the entry chained just before in the same
    // transaction, if any); a number given back is chained as such.
    Expected<std::optional<ChainEntry>, QString> chained(const QString& lineDb, const QString& serial,
                                                         const ChainEntry* after = nullptr);
    Expected<void, QString> chainedGone(const QString& lineDb, const QString& serial);

    StoreConnection& store_;
    ChainTable* chain_;
};

} // namespace auxpad
