#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>
#include <vector>

#include "base/expected.h"
#include "records/access_rules.h"

namespace auxpad {

class ChainTable;
class StoreConnection;

// What was signed at a station: an exception with who signed it and why, a window
// unlocked, a badge locked after wrong PINs. Each is an entry of the journal's chain, and
// goes to the line's database as the records do.
struct AccessEvent {
    QString uuid;
    QString journal;
    QString station;
    QString at;      // as the records write times
    QString meaning; // access::kAgain, ...
    QString badge;   // who signed (or whose badge was locked)
    QString name;
    QString role;
    QString reason;
    QString serial; // the board's serial, when the exception names one
    QString board;  // the ports or the board it was for
    QString until;  // an unlock's or a lockout's end
    qint64 chainSeq = 0;
    QString contentSha256;
};

namespace access {
// The exceptions a signature stands for, and the events of the lock.
inline constexpr const char* kAgain = "again";     // a passed board brought up again
inline constexpr const char* kReuse = "reuse";     // a serial written that a passed record holds
inline constexpr const char* kReprint = "reprint"; // a board's label printed again
inline constexpr const char* kRelease = "release"; // leased numbers given back
inline constexpr const char* kUnlock = "unlock";   // a locked window opened for a while
inline constexpr const char* kLockout = "lockout"; // a badge locked after wrong PINs
// An event's content as the chain hashes it: every field but its place in the chain.
QByteArray content(const AccessEvent& event);
} // namespace access

// An event as the line's page and `report --overrides --json` give it: its time, station,
// signer (the badge), name, role, meaning, reason, serial, board, until and journal.
QJsonObject accessEventJson(const AccessEvent& event);

// The access log (access_events) over a store's connection, with what a journal keeps to
// check PINs (pin_tries) and the access rules its station last ran by (access_rules).
class AccessLog {
public:
    // In a journal each event is chained in `chain`; the line's database keeps them as
    // they arrive.
    explicit AccessLog(StoreConnection& store, ChainTable* chain = nullptr) : store_(store), chain_(chain) {}

    // An event of this store's, its uuid, journal and time filled, chained, in one
    // transaction.
    Expected<AccessEvent, QString> add(AccessEvent event);
    // The events not delivered yet, oldest first; the mark that they went; the events of a
    // journal as they arrive, each kept once.
    Expected<std::vector<AccessEvent>, QString> held(int most);
    Expected<void, QString> markDelivered(const std::vector<AccessEvent>& events);
    Expected<void, QString> keep(const std::vector<AccessEvent>& events);
    // The events from `since` on and before `until` (each "" for no bound), of `station`
    // ("" for every one), oldest first.
    Expected<std::vector<AccessEvent>, QString> between(const QString& since, const QString& until = {},
                                                        const QString& station = {});

    // PINs: how many wrong ones in a row a badge has had since its last right one or its
    // last lockout; a try, or the count started afresh (at a lockout); when the badge's
    // lockout ends, if one holds at `now`.
    Expected<int, QString> wrongInARow(const QString& badge);
    Expected<void, QString> noteTry(const QString& badge, bool right);
    Expected<std::optional<QString>, QString> lockedUntil(const QString& badge, const QString& now);

    // The access rules the station last ran by; they hold for the exceptions asked for
    // without a recipe (a reprint, a release).
    Expected<void, QString> keepRules(const AccessRules& rules);
    Expected<AccessRules, QString> keptRules();

private:
    StoreConnection& store_;
    ChainTable* chain_;
};

} // namespace auxpad
