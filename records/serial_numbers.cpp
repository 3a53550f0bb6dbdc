// Serial numbers handed out where the records are: by the journal when a command runs
// without a line database, by the line's database before leases, and the passes either
// one holds.
#include "records/store_connection.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace auxpad {

Expected<QString, QString> StoreConnection::reserveSerial(const SerialRange& range, const QString& recipe,
                                                         const QString& port)
{
    if (!isOpen())
        return fail("written", "they are not open");
    QSqlQuery q(db_);
    // One allocation at a time on the whole store: another station or command waits.
    if (!q.exec(postgres_ ? "BEGIN" : "BEGIN IMMEDIATE"))
        return fail("written", q.lastError().text());
    auto rollback = [&](const QString& why) -> Expected<QString, QString> {
        QSqlQuery(db_).exec("ROLLBACK");
        return fail("written", why);
    };
    if (postgres_ && !q.exec("SELECT pg_advisory_xact_lock(5523002)"))
        return rollback(q.lastError().text());
    auto taken = takenNumbers(range);
    if (!taken)
        return rollback(taken.error());
    const auto free = range.lowestFree(std::move(*taken));
    if (!free)
        return rollback(QStringLiteral("every serial number of %1 to %2 is taken").arg(range.first(), range.last()));
    QSqlQuery insert(db_);
    insert.prepare("INSERT INTO serial_reservations (serial, recipe, station, port, reserved, state) "
                   "VALUES (?, ?, ?, ?, ?, 'reserved')");
    insert.addBindValue(*free);
    insert.addBindValue(recipe);
    insert.addBindValue(station_);
    insert.addBindValue(port);
    insert.addBindValue(recordTime(*clock_));
    if (!insert.exec())
        return rollback(insert.lastError().text());
    if (!q.exec("COMMIT"))
        return rollback(q.lastError().text());
    return *free;
}

Expected<std::vector<qint64>, QString> StoreConnection::takenNumbers(const SerialRange& range)
{
    QSqlQuery q(db_);
    // Every serial of the range any record or reservation holds; the ends share their
    // width and prefix, so their text orders as their numbers do.
    q.prepare("SELECT serial FROM serial_reservations WHERE serial BETWEEN ? AND ? UNION "
              "SELECT serial FROM board_jobs WHERE serial BETWEEN ? AND ?");
    for (int i = 0; i < 2; ++i) {
        q.addBindValue(range.first());
        q.addBindValue(range.last());
    }
    if (!q.exec())
        return unexpected(q.lastError().text());
    std::vector<qint64> taken;
    while (q.next()) {
        if (const auto number = range.numberOf(q.value(0).toString()))
            taken.push_back(*number);
    }
    return taken;
}

Expected<void, QString> StoreConnection::markSerial(const QString& serial, const QString& state)
{
    if (!isOpen())
        return fail("written", "they are not open");
    QSqlQuery q(db_);
    q.prepare("UPDATE serial_reservations SET state = ? WHERE serial = ?");
    q.addBindValue(state);
    q.addBindValue(serial);
    if (!q.exec())
        return fail("written", q.lastError().text());
    return {};
}

Expected<bool, QString> StoreConnection::serialPassed(const QString& serial, const QString& job,
                                                      const QString& recipe, const QString& heldFor)
{
    QString sql = "SELECT COUNT(*) FROM board_jobs WHERE serial = ? AND result = 'passed'";
    QVariantList values{serial};
    if (!heldFor.isEmpty()) {
        sql += " AND line_db = ? AND delivered < revision";
        values << heldFor;
    }
    if (!job.isEmpty()) {
        sql += " AND job = ?";
        values << job;
    }
    if (!recipe.isEmpty()) {
        sql += " AND recipe = ?";
        values << recipe;
    }
    auto q = execute(sql, values, "read");
    if (!q)
        return unexpected(q.error());
    const bool passed = (*q)->next() && (*q)->value(0).toInt() > 0;
    (*q)->finish();
    return passed;
}

} // namespace auxpad
