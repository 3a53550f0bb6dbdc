// The journal's side of serial leases: the numbers the line's database leased to this
// journal, handed to the station's boards without asking there, and what became of each,
// delivered there as the records are.
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "records/chain.h"
#include "records/lease_table.h"
#include "records/store_connection.h"
#include "records/transaction.h"

#include <optional>
#include <tuple>

namespace auxpad {

namespace {

const char* const kLeaseColumns = "line_db, serial, recipe, station, port, taken, state, revision, leased";

// A number's state as its chain hashes it: every column of its row but its delivery.
QByteArray leaseContent(const QSqlQuery& q)
{
    const QStringList names = QString::fromLatin1(kLeaseColumns).split(", ");
    QByteArray out;
    for (int i = 0; i < names.size(); ++i) {
        out += names[i].toLatin1();
        if (!q.value(i).isNull())
            out += '=' + q.value(i).toString().toUtf8();
        out += '\n';
    }
    return out;
}

} // namespace

Expected<std::optional<ChainEntry>, QString> LeaseTable::chained(const QString& lineDb, const QString& serial,
                                                                 const ChainEntry* after)
{
    if (!chain_)
        return std::optional<ChainEntry>();
    auto row = store_.execute(QStringLiteral("SELECT %1 FROM serial_leases WHERE line_db = ? AND serial = ?").arg(kLeaseColumns),
                              {lineDb, serial}, "written");
    if (!row)
        return unexpected(row.error());
    if (!(*row)->next()) {
        (*row)->finish();
        return std::optional<ChainEntry>();
    }
    const QByteArray content = leaseContent(**row);
    const int revision = (*row)->value(7).toInt();
    (*row)->finish();
    auto entry = chain_->append(chain::kLease, serial, revision, content, after);
    if (!entry)
        return unexpected(entry.error());
    auto kept = store_.execute("UPDATE serial_leases SET content_sha256 = ?, chain_seq = ? WHERE line_db = ? AND serial = ?",
                               {entry->contentSha256, entry->seq, lineDb, serial}, "written");
    if (!kept)
        return unexpected(kept.error());
    return std::optional<ChainEntry>(std::move(*entry));
}

Expected<void, QString> LeaseTable::chainedGone(const QString& lineDb, const QString& serial)
{
    if (!chain_)
        return {};
    const QByteArray content = "line_db=" + lineDb.toUtf8() + "\nserial=" + serial.toUtf8() + "\nstate=given back\n";
    auto entry = chain_->append(chain::kLease, serial, 0, content);
    return entry ? Expected<void, QString>() : unexpected(entry.error());
}

Expected<bool, QString> LeaseTable::anyUnchained()
{
    auto q = store_.execute("SELECT 1 FROM serial_leases WHERE chain_seq IS NULL LIMIT 1", {}, "read");
    if (!q)
        return unexpected(q.error());
    const bool any = (*q)->next();
    (*q)->finish();
    return any;
}

Expected<int, QString> LeaseTable::chainUnchained()
{
    // A number chained before has its content's hash: one without was written before the
    // journal chained its entries.
    // "+rowid": sorted after the few are found through their index, where ORDER BY rowid
    // alone would have SQLite read the whole table in its order.
    auto q = store_.execute("SELECT line_db, serial, content_sha256 IS NULL FROM serial_leases WHERE chain_seq IS NULL "
                            "ORDER BY +rowid",
                            {}, "written");
    if (!q)
        return unexpected(q.error());
    std::vector<std::tuple<QString, QString, bool>> numbers;
    while ((*q)->next())
        numbers.emplace_back((*q)->value(0).toString(), (*q)->value(1).toString(), (*q)->value(2).toBool());
    (*q)->finish();
    int older = 0;
    std::optional<ChainEntry> last;
    for (const auto& [lineDb, serial, before] : numbers) {
        auto done = chained(lineDb, serial, last ? &*last : nullptr);
        if (!done)
            return unexpected(done.error());
        if (*done)
            last = std::move(**done);
        older += before ? 1 : 0;
    }
    return older;
}

Expected<void, QString> LeaseTable::keep(const QString& lineDb, const QString& recipe, const SerialRange& range,
                                         const QStringList& serials)
{
    Transaction transaction(store_, Transaction::Kind::Exclusive);
    if (!transaction.begun())
        return transaction.begun();
    QSqlQuery q(store_.database());
    auto rollback = [&](const QString& why) -> Expected<void, QString> { return store_.fail("written", why); };
    const QString now = recordTime(store_.clock());
    QSqlQuery& keep = store_.prepared("INSERT INTO serial_leases (line_db, serial, recipe, station, taken, state, leased) "
                               "VALUES (?, ?, ?, ?, ?, 'leased', ?) ON CONFLICT (line_db, serial) DO NOTHING");
    std::optional<ChainEntry> last;
    for (const QString& serial : serials) {
        for (const QString& v : {lineDb, serial, recipe, store_.station(), now, now})
            keep.addBindValue(v);
        if (!keep.exec())
            return rollback(keep.lastError().text());
        if (keep.numRowsAffected() == 0)
            continue;
        auto done = chained(lineDb, serial, last ? &*last : nullptr);
        if (!done)
            return unexpected(done.error());
        if (*done)
            last = std::move(**done);
    }
    // A number no board took that the line no longer leases to this journal (given back
    // for it by hand) is no longer this station's to take.
    q.prepare("SELECT serial FROM serial_leases WHERE line_db = ? AND station = ? AND state = 'leased' "
              "AND serial BETWEEN ? AND ?");
    for (const QString& v : {lineDb, store_.station(), range.first(), range.last()})
        q.addBindValue(v);
    if (!q.exec())
        return rollback(q.lastError().text());
    const QSet<QString> leased(serials.begin(), serials.end());
    QStringList gone;
    while (q.next())
        if (!leased.contains(q.value(0).toString()))
            gone << q.value(0).toString();
    for (const QString& serial : gone) {
        q.prepare("DELETE FROM serial_leases WHERE line_db = ? AND serial = ? AND state = 'leased'");
        q.addBindValue(lineDb);
        q.addBindValue(serial);
        if (!q.exec())
            return rollback(q.lastError().text());
        if (auto done = chainedGone(lineDb, serial); !done)
            return done;
    }
    return transaction.commit();
}

Expected<int, QString> LeaseTable::left(const QString& lineDb, const SerialRange& range)
{
    auto q = store_.execute("SELECT COUNT(*) FROM serial_leases WHERE line_db = ? AND station = ? AND state = 'leased' "
                     "AND serial BETWEEN ? AND ?",
                     {lineDb, store_.station(), range.first(), range.last()}, "read");
    if (!q)
        return unexpected(q.error());
    const int left = (*q)->next() ? (*q)->value(0).toInt() : 0;
    (*q)->finish();
    return left;
}

Expected<std::optional<QString>, QString> LeaseTable::take(const QString& lineDb, const SerialRange& range,
                                                          const QString& port)
{
    // Two boards of this station, or two commands on its journal, never take one number.
    Transaction transaction(store_, Transaction::Kind::Exclusive);
    if (!transaction.begun())
        return unexpected(transaction.begun().error());
    auto rollback = [&](const QString& why) -> Expected<std::optional<QString>, QString> {
        return store_.fail("written", why);
    };
    auto lowest = store_.execute("SELECT MIN(serial) FROM serial_leases WHERE line_db = ? AND station = ? AND state = 'leased' "
                          "AND serial BETWEEN ? AND ?",
                          {lineDb, store_.station(), range.first(), range.last()}, "written");
    if (!lowest || !(*lowest)->next())
        return rollback(lowest ? (*lowest)->lastError().text() : lowest.error());
    const QVariant found = (*lowest)->value(0);
    (*lowest)->finish();
    if (found.isNull())
        return std::optional<QString>();
    const QString serial = found.toString();
    // The new state joins the chain as it is handed on (Journal::chainLeases).
    auto taken = store_.execute("UPDATE serial_leases SET state = 'reserved', port = ?, taken = ?, revision = revision + 1, "
                                "chain_seq = NULL WHERE line_db = ? AND serial = ?",
                                {port, recordTime(store_.clock()), lineDb, serial}, "written");
    if (!taken)
        return rollback(taken.error());
    if (auto committed = transaction.commit(); !committed)
        return unexpected(committed.error());
    return std::optional<QString>(serial);
}

Expected<bool, QString> LeaseTable::mark(const QString& lineDb, const QString& serial, const QString& state)
{
    Transaction transaction(store_, Transaction::Kind::Exclusive);
    if (!transaction.begun())
        return unexpected(transaction.begun().error());
    auto q = store_.execute("UPDATE serial_leases SET state = ?, revision = revision + 1, chain_seq = NULL "
                            "WHERE line_db = ? AND serial = ? AND station = ?",
                            {state, lineDb, serial, store_.station()}, "written");
    if (!q)
        return unexpected(q.error());
    const bool changed = (*q)->numRowsAffected() > 0;
    if (auto committed = transaction.commit(); !committed)
        return unexpected(committed.error());
    return changed;
}

Expected<std::vector<SerialState>, QString> LeaseTable::heldStates(const QString& lineDb)
{
    auto q = store_.execute("SELECT serial, station, port, taken, state, revision FROM serial_leases "
                     "WHERE line_db = ? AND delivered < revision ORDER BY serial",
                     {lineDb}, "read");
    if (!q)
        return unexpected(q.error());
    std::vector<SerialState> held;
    while ((*q)->next())
        held.push_back({(*q)->value(0).toString(), (*q)->value(1).toString(), (*q)->value(2).toString(),
                        (*q)->value(3).toString(), (*q)->value(4).toString(), (*q)->value(5).toInt(), {}});
    (*q)->finish();
    return held;
}

Expected<void, QString> LeaseTable::markStatesDelivered(const QString& lineDb, const std::vector<SerialState>& states)
{
    std::vector<QVariantList> rows;
    for (const SerialState& s : states)
        rows.push_back({s.revision, lineDb, s.serial, s.revision});
    auto written = store_.writeEach(
        "UPDATE serial_leases SET delivered = ? WHERE line_db = ? AND serial = ? AND delivered < ?", rows);
    if (!written)
        return unexpected(written.error());
    return {};
}

Expected<void, QString> LeaseTable::markStatesRefused(const QString& lineDb, const std::vector<SerialState>& states,
                                                      const std::vector<SerialRefusal>& refusals)
{
    std::vector<QVariantList> rows;
    for (const SerialRefusal& r : refusals) {
        for (const SerialState& s : states)
            if (s.serial == r.serial)
                rows.push_back({r.why, s.revision, lineDb, s.serial});
    }
    auto written =
        store_.writeEach("UPDATE serial_leases SET refused = ?, delivered = ? WHERE line_db = ? AND serial = ?", rows);
    if (!written)
        return unexpected(written.error());
    return {};
}

Expected<std::vector<SerialRefusal>, QString> LeaseTable::refusedStates(const QString& lineDb)
{
    if (!store_.isOpen())
        return store_.fail("read", "they are not open");
    QSqlQuery q(store_.database());
    q.prepare("SELECT serial, port, taken, refused FROM serial_leases WHERE line_db = ? AND refused IS NOT NULL "
              "ORDER BY serial");
    q.addBindValue(lineDb);
    if (!q.exec())
        return store_.fail("read", q.lastError().text());
    std::vector<SerialRefusal> refused;
    while (q.next())
        refused.push_back({q.value(0).toString(), q.value(1).toString(), q.value(2).toString(), q.value(3).toString()});
    return refused;
}

Expected<QStringList, QString> LeaseTable::leased(const QString& lineDb)
{
    if (!store_.isOpen())
        return store_.fail("read", "they are not open");
    QSqlQuery q(store_.database());
    q.prepare("SELECT serial FROM serial_leases WHERE line_db = ? AND station = ? AND state = 'leased' ORDER BY serial");
    q.addBindValue(lineDb);
    q.addBindValue(store_.station());
    if (!q.exec())
        return store_.fail("read", q.lastError().text());
    QStringList leased;
    while (q.next())
        leased << q.value(0).toString();
    return leased;
}

Expected<void, QString> LeaseTable::drop(const QString& lineDb, const QStringList& serials)
{
    Transaction transaction(store_, Transaction::Kind::Exclusive);
    if (!transaction.begun())
        return transaction.begun();
    for (const QString& serial : serials) {
        auto gone = store_.execute(
            "DELETE FROM serial_leases WHERE line_db = ? AND serial = ? AND state = 'leased' AND station = ?",
            {lineDb, serial, store_.station()}, "written");
        if (!gone)
            return unexpected(gone.error());
        if ((*gone)->numRowsAffected() > 0)
            if (auto done = chainedGone(lineDb, serial); !done)
                return done;
    }
    return transaction.commit();
}

} // namespace auxpad
