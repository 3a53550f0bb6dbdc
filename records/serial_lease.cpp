// Serial leases: the numbers a line's database leases to each station, and the station's
// journal that hands them to its boards without asking the line's database.
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "records/record_store.h"

namespace auxpad {

Expected<QStringList, QString> RecordStore::leaseSerials(const SerialRange& range, const QString& recipe, int more)
{
    if (!isOpen())
        return fail("written", "they are not open");
    QSqlQuery q(db_);
    // The same lock as a single reservation's: one hand-out at a time on the whole store.
    if (!q.exec(postgres_ ? "BEGIN" : "BEGIN IMMEDIATE"))
        return fail("written", q.lastError().text());
    auto rollback = [&](const QString& why) -> Expected<QStringList, QString> {
        QSqlQuery(db_).exec("ROLLBACK");
        return fail("written", why);
    };
    if (postgres_ && !q.exec("SELECT pg_advisory_xact_lock(5523002)"))
        return rollback(q.lastError().text());
    if (more > 0) {
        auto taken = takenNumbers(range);
        if (!taken)
            return rollback(taken.error());
        const QString now = recordTime();
        for (const QString& serial : range.lowestFree(std::move(*taken), more)) {
            q.prepare("INSERT INTO serial_reservations (serial, recipe, station, port, reserved, state) "
                      "VALUES (?, ?, ?, '', ?, 'leased')");
            for (const QVariant& v : {QVariant(serial), QVariant(recipe), QVariant(station_), QVariant(now)})
                q.addBindValue(v);
            if (!q.exec())
                return rollback(q.lastError().text());
        }
    }
    q.prepare("SELECT serial FROM serial_reservations WHERE station = ? AND state = 'leased' AND serial BETWEEN ? AND ? "
              "ORDER BY serial");
    for (const QString& v : {station_, range.first(), range.last()})
        q.addBindValue(v);
    if (!q.exec())
        return rollback(q.lastError().text());
    QStringList leased;
    while (q.next())
        leased << q.value(0).toString();
    if (!q.exec("COMMIT"))
        return rollback(q.lastError().text());
    return leased;
}

Expected<void, QString> RecordStore::applySerialStates(const std::vector<SerialState>& states)
{
    // A number is the station's it was leased to: another's reservation stays as it is.
    std::vector<QVariantList> rows;
    for (const SerialState& s : states)
        rows.push_back({s.serial, s.station, s.port, s.taken, s.state});
    auto written = writeEach("BEGIN",
                             "INSERT INTO serial_reservations (serial, recipe, station, port, reserved, state) "
                             "VALUES (?, NULL, ?, ?, ?, ?) ON CONFLICT (serial) DO UPDATE SET port = excluded.port, "
                             "reserved = excluded.reserved, state = excluded.state "
                             "WHERE serial_reservations.station = excluded.station",
                             rows);
    if (!written)
        return unexpected(written.error());
    return {};
}

Expected<int, QString> RecordStore::releaseSerials(const QStringList& serials)
{
    std::vector<QVariantList> rows;
    for (const QString& serial : serials)
        rows.push_back({serial, station_});
    return writeEach("BEGIN", "DELETE FROM serial_reservations WHERE serial = ? AND station = ? AND state = 'leased'",
                     rows);
}

Expected<void, QString> RecordStore::keepLease(const QString& lineDb, const QString& recipe, const QStringList& serials)
{
    const QString now = recordTime();
    std::vector<QVariantList> rows;
    for (const QString& serial : serials)
        rows.push_back({lineDb, serial, recipe, station_, now});
    auto written = writeEach("BEGIN IMMEDIATE",
                             "INSERT INTO serial_leases (line_db, serial, recipe, station, taken, state) "
                             "VALUES (?, ?, ?, ?, ?, 'leased') ON CONFLICT (line_db, serial) DO NOTHING",
                             rows);
    if (!written)
        return unexpected(written.error());
    return {};
}

Expected<int, QString> RecordStore::leaseLeft(const QString& lineDb, const SerialRange& range)
{
    if (!isOpen())
        return fail("read", "they are not open");
    QSqlQuery q(db_);
    q.prepare("SELECT COUNT(*) FROM serial_leases WHERE line_db = ? AND station = ? AND state = 'leased' "
              "AND serial BETWEEN ? AND ?");
    for (const QString& v : {lineDb, station_, range.first(), range.last()})
        q.addBindValue(v);
    if (!q.exec() || !q.next())
        return fail("read", q.lastError().text());
    return q.value(0).toInt();
}

Expected<std::optional<QString>, QString> RecordStore::takeLeased(const QString& lineDb, const SerialRange& range,
                                                                  const QString& port)
{
    if (!isOpen())
        return fail("written", "they are not open");
    QSqlQuery q(db_);
    // Two boards of this station, or two commands on its journal, never take one number.
    if (!q.exec("BEGIN IMMEDIATE"))
        return fail("written", q.lastError().text());
    auto rollback = [&](const QString& why) -> Expected<std::optional<QString>, QString> {
        QSqlQuery(db_).exec("ROLLBACK");
        return fail("written", why);
    };
    q.prepare("SELECT MIN(serial) FROM serial_leases WHERE line_db = ? AND station = ? AND state = 'leased' "
              "AND serial BETWEEN ? AND ?");
    for (const QString& v : {lineDb, station_, range.first(), range.last()})
        q.addBindValue(v);
    if (!q.exec() || !q.next())
        return rollback(q.lastError().text());
    if (q.value(0).isNull()) {
        QSqlQuery(db_).exec("ROLLBACK");
        return std::optional<QString>();
    }
    const QString serial = q.value(0).toString();
    q.prepare("UPDATE serial_leases SET state = 'reserved', port = ?, taken = ?, revision = revision + 1 "
              "WHERE line_db = ? AND serial = ?");
    for (const QString& v : {port, recordTime(), lineDb, serial})
        q.addBindValue(v);
    if (!q.exec())
        return rollback(q.lastError().text());
    if (!q.exec("COMMIT"))
        return rollback(q.lastError().text());
    return std::optional<QString>(serial);
}

Expected<bool, QString> RecordStore::markLeased(const QString& lineDb, const QString& serial, const QString& state)
{
    if (!isOpen())
        return fail("written", "they are not open");
    QSqlQuery q(db_);
    q.prepare("UPDATE serial_leases SET state = ?, revision = revision + 1 WHERE line_db = ? AND serial = ? "
              "AND station = ?");
    for (const QString& v : {state, lineDb, serial, station_})
        q.addBindValue(v);
    if (!q.exec())
        return fail("written", q.lastError().text());
    return q.numRowsAffected() > 0;
}

Expected<std::vector<SerialState>, QString> RecordStore::heldSerialStates(const QString& lineDb)
{
    if (!isOpen())
        return fail("read", "they are not open");
    QSqlQuery q(db_);
    q.prepare("SELECT serial, station, port, taken, state, revision FROM serial_leases "
              "WHERE line_db = ? AND delivered < revision ORDER BY serial");
    q.addBindValue(lineDb);
    if (!q.exec())
        return fail("read", q.lastError().text());
    std::vector<SerialState> held;
    while (q.next())
        held.push_back({q.value(0).toString(), q.value(1).toString(), q.value(2).toString(), q.value(3).toString(),
                        q.value(4).toString(), q.value(5).toInt()});
    return held;
}

Expected<void, QString> RecordStore::markSerialStatesDelivered(const QString& lineDb,
                                                               const std::vector<SerialState>& states)
{
    std::vector<QVariantList> rows;
    for (const SerialState& s : states)
        rows.push_back({s.revision, lineDb, s.serial, s.revision});
    auto written = writeEach(
        "BEGIN IMMEDIATE", "UPDATE serial_leases SET delivered = ? WHERE line_db = ? AND serial = ? AND delivered < ?",
        rows);
    if (!written)
        return unexpected(written.error());
    return {};
}

Expected<QStringList, QString> RecordStore::leasedSerials(const QString& lineDb)
{
    if (!isOpen())
        return fail("read", "they are not open");
    QSqlQuery q(db_);
    q.prepare("SELECT serial FROM serial_leases WHERE line_db = ? AND station = ? AND state = 'leased' ORDER BY serial");
    q.addBindValue(lineDb);
    q.addBindValue(station_);
    if (!q.exec())
        return fail("read", q.lastError().text());
    QStringList leased;
    while (q.next())
        leased << q.value(0).toString();
    return leased;
}

Expected<void, QString> RecordStore::dropLease(const QString& lineDb, const QStringList& serials)
{
    std::vector<QVariantList> rows;
    for (const QString& serial : serials)
        rows.push_back({lineDb, serial, station_});
    auto written = writeEach(
        "BEGIN IMMEDIATE",
        "DELETE FROM serial_leases WHERE line_db = ? AND serial = ? AND state = 'leased' AND station = ?", rows);
    if (!written)
        return unexpected(written.error());
    return {};
}

Expected<int, QString> RecordStore::writeEach(const char* begin, const QString& sql,
                                              const std::vector<QVariantList>& rows)
{
    if (!isOpen())
        return fail("written", "they are not open");
    QSqlQuery q(db_);
    if (!q.exec(QString::fromLatin1(begin)))
        return fail("written", q.lastError().text());
    int changed = 0;
    for (const QVariantList& row : rows) {
        q.prepare(sql);
        for (const QVariant& value : row)
            q.addBindValue(value);
        if (!q.exec()) {
            const QString why = q.lastError().text();
            QSqlQuery(db_).exec("ROLLBACK");
            return fail("written", why);
        }
        changed += q.numRowsAffected();
    }
    if (!q.exec("COMMIT"))
        return fail("written", q.lastError().text());
    return changed;
}

Expected<std::vector<SerialState>, QString> RecordStore::serialStates(const SerialRange& range)
{
    if (!isOpen())
        return fail("read", "they are not open");
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    q.prepare("SELECT serial, station, port, reserved, state FROM serial_reservations WHERE serial BETWEEN ? AND ? "
              "ORDER BY serial");
    q.addBindValue(range.first());
    q.addBindValue(range.last());
    if (!q.exec())
        return fail("read", q.lastError().text());
    std::vector<SerialState> states;
    while (q.next())
        states.push_back({q.value(0).toString(), q.value(1).toString(), q.value(2).toString(), q.value(3).toString(),
                          q.value(4).toString(), 1});
    return states;
}

} // namespace auxpad
