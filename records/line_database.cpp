// The line's database: the serial numbers it leases to each journal, whatever its station
// is called, and the journals that feed it.
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QVariant>

#include "records/line_database.h"
#include "records/transaction.h"

namespace auxpad {

Expected<QStringList, QString> LineDatabase::leaseSerials(const QString& journal, const SerialRange& range,
                                                          const QString& recipe, int more)
{
    // The same lock as a single reservation's: one hand-out at a time on the whole store.
    Transaction transaction(*this, Transaction::Kind::Exclusive, SerialTable::kHandOutLock);
    if (!transaction.begun())
        return unexpected(transaction.begun().error());
    auto rollback = [&](const QString& why) -> Expected<QStringList, QString> { return fail("written", why); };
    if (auto claimed = claimJournal(journal); !claimed)
        return unexpected(claimed.error());
    if (auto adopted = adoptUnclaimed(journal); !adopted)
        return rollback(adopted.error());
    if (more > 0) {
        auto taken = serials_.taken(range);
        if (!taken)
            return rollback(taken.error());
        const QString now = recordTime(*clock_);
        QSqlQuery& insert = prepared("INSERT INTO serial_reservations (serial, recipe, station, port, reserved, state, "
                                     "journal) VALUES (?, ?, ?, '', ?, 'leased', ?)");
        for (const QString& serial : range.lowestFree(std::move(*taken), more)) {
            for (const QVariant& v : {QVariant(serial), QVariant(recipe), QVariant(station_), QVariant(now),
                                      QVariant(journal)})
                insert.addBindValue(v);
            if (!insert.exec())
                return rollback(insert.lastError().text());
        }
    }
    auto leased = leasedTo(journal, range);
    if (!leased)
        return rollback(leased.error());
    if (auto committed = transaction.commit(); !committed)
        return unexpected(committed.error());
    return leased;
}

Expected<QStringList, QString> LineDatabase::leasedTo(const QString& journal, const std::optional<SerialRange>& range)
{
    if (!isOpen())
        return fail("read", "they are not open");
    QSqlQuery q(db_);
    q.prepare(QStringLiteral("SELECT serial FROM serial_reservations WHERE journal = ? AND state = 'leased'%1 "
                             "ORDER BY serial")
                  .arg(range ? " AND serial BETWEEN ? AND ?" : ""));
    q.addBindValue(journal);
    if (range) {
        q.addBindValue(range->first());
        q.addBindValue(range->last());
    }
    if (!q.exec())
        return fail("read", q.lastError().text());
    QStringList leased;
    while (q.next())
        leased << q.value(0).toString();
    return leased;
}

Expected<void, QString> LineDatabase::claimJournal(const QString& journal)
{
    auto claimed = execute(QStringLiteral("INSERT INTO journal_owners (journal, login, claimed) VALUES (?, %1, ?) "
                                          "ON CONFLICT (journal) DO NOTHING")
                               .arg(postgres_ ? "current_user" : "''"),
                           {journal, recordTime(*clock_)}, "written");
    return claimed ? Expected<void, QString>() : unexpected(claimed.error());
}

Expected<void, QString> LineDatabase::adoptUnclaimed(const QString& journal)
{
    // Numbers leased or reserved under this station's name before leases knew journals
    // become this journal's. Were two journals under the name then, the other one's writes
    // of them are refused, loudly, rather than two boards carrying one.
    QSqlQuery q(db_);
    q.prepare("UPDATE serial_reservations SET journal = ? WHERE journal IS NULL AND station = ?");
    q.addBindValue(journal);
    q.addBindValue(station_);
    if (!q.exec())
        return unexpected(q.lastError().text());
    return {};
}

Expected<std::vector<Namesake>, QString> LineDatabase::registerJournal(const QString& journal, bool delivered)
{
    Transaction transaction(*this, Transaction::Kind::Exclusive);
    if (!transaction.begun())
        return unexpected(transaction.begun().error());
    QSqlQuery q(db_);
    auto rollback = [&](const QString& why) -> Expected<std::vector<Namesake>, QString> { return fail("written", why); };
    if (auto adopted = adoptUnclaimed(journal); !adopted)
        return rollback(adopted.error());
    const QString now = recordTime(*clock_);
    q.prepare("INSERT INTO journals (journal, station, host, first_seen, last_delivered) VALUES (?, ?, ?, ?, ?) "
              "ON CONFLICT (journal, station) DO UPDATE SET host = excluded.host, "
              "last_delivered = COALESCE(excluded.last_delivered, journals.last_delivered)");
    for (const QVariant& v : {QVariant(journal), QVariant(station_), QVariant(QSysInfo::machineHostName()),
                              QVariant(now), delivered ? QVariant(now) : QVariant(QMetaType(QMetaType::QString))})
        q.addBindValue(v);
    if (!q.exec())
        return rollback(q.lastError().text());
    q.prepare("SELECT journal, host, first_seen, last_delivered FROM journals WHERE station = ? AND journal <> ? "
              "ORDER BY first_seen");
    q.addBindValue(station_);
    q.addBindValue(journal);
    if (!q.exec())
        return rollback(q.lastError().text());
    std::vector<Namesake> others;
    while (q.next())
        others.push_back({q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                          q.value(3).isNull() ? QString() : q.value(3).toString()});
    if (auto committed = transaction.commit(); !committed)
        return unexpected(committed.error());
    return others;
}

Expected<std::vector<SerialRefusal>, QString> LineDatabase::applySerialStates(const QString& journal,
                                                                              const std::vector<SerialState>& states)
{
    Transaction transaction(*this);
    if (!transaction.begun())
        return unexpected(transaction.begun().error());
    QSqlQuery q(db_);
    auto rollback = [&](const QString& why) -> Expected<std::vector<SerialRefusal>, QString> { return fail("written", why); };
    // A number is the journal's it was leased to: another's reservation stays as it is,
    // and a write of it is refused by the database itself, one number at a time, so that
    // the others still go.
    std::vector<SerialRefusal> refused;
    for (const SerialState& s : states) {
        const bool written = s.state == QLatin1String("written");
        if (!q.exec("SAVEPOINT serial_state"))
            return rollback(q.lastError().text());
        // A number no journal holds any more (given back for this one by hand) is this
        // journal's again: the board has it, and nobody else.
        q.prepare("INSERT INTO serial_reservations (serial, recipe, station, port, reserved, state, journal, "
                  "written_by) VALUES (?, NULL, ?, ?, ?, ?, ?, ?) ON CONFLICT (serial) DO UPDATE SET "
                  "port = excluded.port, reserved = excluded.reserved, state = excluded.state, "
                  "written_by = excluded.written_by "
                  "WHERE serial_reservations.journal = excluded.journal OR excluded.state = 'written'");
        for (const QVariant& v : {QVariant(s.serial), QVariant(s.station), QVariant(s.port), QVariant(s.taken),
                                  QVariant(s.state), QVariant(journal),
                                  written ? QVariant(journal) : QVariant(QMetaType(QMetaType::QString))})
            q.addBindValue(v);
        if (q.exec()) {
            q.exec("RELEASE SAVEPOINT serial_state");
            continue;
        }
        // Refused by the database itself: the number's check, or, under a station's login,
        // the rule that it changes only its own journals' numbers.
        const QString why = q.lastError().text();
        if (!why.contains(QLatin1String("serial_written_by_its_journal"))
            && !why.contains(QLatin1String("row-level security")))
            return rollback(why);
        q.exec("ROLLBACK TO SAVEPOINT serial_state");
        refused.push_back({s.serial, s.port, s.taken, holderOf(s.serial)});
    }
    if (auto committed = transaction.commit(); !committed)
        return unexpected(committed.error());
    return refused;
}

QString LineDatabase::holderOf(const QString& serial)
{
    QSqlQuery q(db_);
    q.prepare("SELECT journal, station FROM serial_reservations WHERE serial = ?");
    q.addBindValue(serial);
    if (!q.exec() || !q.next())
        return QStringLiteral("the line's database holds it for no journal");
    if (q.value(0).isNull())
        return QStringLiteral("the line's database holds it for station %1, for no journal").arg(q.value(1).toString());
    return QStringLiteral("the line's database holds it for journal %1 of station %2")
        .arg(q.value(0).toString(), q.value(1).toString());
}

Expected<int, QString> LineDatabase::releaseSerials(const QString& journal, const QStringList& serials)
{
    std::vector<QVariantList> rows;
    for (const QString& serial : serials)
        rows.push_back({serial, journal});
    return writeEach("DELETE FROM serial_reservations WHERE serial = ? AND journal = ? AND state = 'leased'", rows);
}

Expected<int, QString> LineDatabase::releaseJournal(const QString& journal, const QString& reason)
{
    Transaction transaction(*this, Transaction::Kind::Exclusive);
    if (!transaction.begun())
        return unexpected(transaction.begun().error());
    QSqlQuery q(db_);
    auto rollback = [&](const QString& why) -> Expected<int, QString> { return fail("written", why); };
    q.prepare("DELETE FROM serial_reservations WHERE journal = ? AND state = 'leased'");
    q.addBindValue(journal);
    if (!q.exec())
        return rollback(q.lastError().text());
    const int freed = q.numRowsAffected();
    q.prepare("INSERT INTO lease_releases (released, journal, serials, reason, station, host) VALUES (?, ?, ?, ?, ?, ?)");
    for (const QVariant& v : {QVariant(recordTime(*clock_)), QVariant(journal), QVariant(freed), QVariant(reason),
                              QVariant(station_), QVariant(QSysInfo::machineHostName())})
        q.addBindValue(v);
    if (!q.exec())
        return rollback(q.lastError().text());
    if (auto committed = transaction.commit(); !committed)
        return unexpected(committed.error());
    return freed;
}

Expected<QStringList, QString> LineDatabase::journalsLike(const QString& start)
{
    if (!isOpen())
        return fail("read", "they are not open");
    QSqlQuery q(db_);
    q.prepare("SELECT journal FROM journals WHERE journal LIKE ? UNION "
              "SELECT journal FROM serial_reservations WHERE journal LIKE ? ORDER BY 1");
    const QString pattern = QString(start).replace('%', "").replace('_', "") + '%';
    q.addBindValue(pattern);
    q.addBindValue(pattern);
    if (!q.exec())
        return fail("read", q.lastError().text());
    QStringList found;
    while (q.next())
        found << q.value(0).toString();
    return found;
}

} // namespace auxpad
