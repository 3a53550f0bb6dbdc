#pragma once

#include <QCryptographicHash>

#include <QByteArray>
#include <QString>

#include <vector>

#include "base/expected.h"

namespace auxpad {

class StoreConnection;

// One entry of a journal's chain, as a transparency log keeps one: what it is (a record's
// revision, a leased number's change of state), the SHA-256 of its content, and the hash
// of the entry before it, so that an entry edited, removed, or put in out of its turn
// shows. The first entry's `prev` is the journal's own starting hash.
struct ChainEntry {
    QString journal;
    qint64 seq = 0;
    QString kind; // record, lease, access
    QString key;  // a record's job_uuid, a number's serial, an access event's uuid
    int revision = 1;
    QString contentSha256;
    QString prev;
    QString hash;
    QString at; // when it was made, as the records write times
};

namespace chain {
inline constexpr const char* kRecord = "record";
inline constexpr const char* kLease = "lease";
inline constexpr const char* kAccess = "access"; // a signed exception, an unlock, a lockout

QString sha256(const QByteArray& bytes);
// Whether `bytes` hash to the hex `sha256`: one hash kept across many, no text made.
class Sha256Check {
public:
    bool matches(const QByteArray& bytes, const QString& sha256);

private:
    QCryptographicHash hash_{QCryptographicHash::Sha256};
};
// The hash before a journal's first entry.
QString genesis(const QString& journal);
// The hash of an entry: of its journal, number, kind, key, revision, content and prev.
QString hashOf(const ChainEntry& entry);
} // namespace chain

// The chain table (chain) over a store's connection. A journal appends to its own chain
// as it writes, inside the write's transaction; the line's database keeps each journal's
// entries as they are delivered.
class ChainTable {
public:
    explicit ChainTable(StoreConnection& store) : store_(store) {}

    // The next entry of this store's own chain, for `kind` `key` at `revision` with
    // `content`: appended, and returned. `after`, when given, is the entry the caller
    // appended last in the same transaction, so that a batch reads the chain's end once.
    Expected<ChainEntry, QString> append(const QString& kind, const QString& key, int revision, const QByteArray& content,
                                         const ChainEntry* after = nullptr);
    // The entries not delivered yet, oldest first; the mark that they went.
    Expected<std::vector<ChainEntry>, QString> held(int most);
    Expected<void, QString> markDelivered(const std::vector<ChainEntry>& entries);
    // A journal's entries as they arrive, each kept once, in one transaction.
    Expected<void, QString> keep(const std::vector<ChainEntry>& entries);
    // Every entry there is, by journal and number.
    Expected<std::vector<ChainEntry>, QString> all();

private:
    StoreConnection& store_;
    QString journal_; // this store's identity, once read
};

} // namespace auxpad
