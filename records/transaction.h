#pragma once

#include <QString>

#include "base/expected.h"

namespace auxpad {

class StoreConnection;

// One transaction on a store's connection, begun when it is made and rolled back when it
// goes without having been committed: a write that fails half-way leaves nothing behind.
class Transaction {
public:
    // Deferred takes its locks as it needs them; Exclusive takes the writer's lock at once
    // (BEGIN IMMEDIATE on SQLite, where two writers would otherwise each wait on the other;
    // on PostgreSQL, with the advisory lock `lock` when one is named, so that one hand-out
    // of serial numbers at a time runs on the whole store).
    enum class Kind { Deferred, Exclusive };
    Transaction(StoreConnection& store, Kind kind = Kind::Deferred, long long lock = 0);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Whether it began, or why not.
    const Expected<void, QString>& begun() const { return begun_; }
    Expected<void, QString> commit();

private:
    StoreConnection& store_;
    Expected<void, QString> begun_;
    bool open_ = false;
};

} // namespace auxpad
