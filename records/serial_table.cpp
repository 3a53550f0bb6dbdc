// Serial numbers handed out where the records are: by the journal when a command runs
// without a line database, by the line's database before leases, and the passes either
// one holds.
#include "records/serial_table.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "records/store_connection.h"
#include "records/transaction.h"

namespace auxpad {

Expected<QString, QString> SerialTable::reserve(const SerialRange& range, const QString& recipe, const QString& port)
{
    // One allocation at a time on the whole store: another station or command waits.
    Transaction transaction(store_, Transaction::Kind::Exclusive, kHandOutLock);
    if (!transaction.begun())
        return unexpected(transaction.begun().error());
    auto numbers = taken(range);
    if (!numbers)
        return store_.fail("written", numbers.error());
    const auto free = range.lowestFree(std::move(*numbers));
    if (!free)
        return store_.fail("written", QStringLiteral("every serial number of %1 to %2 is taken").arg(range.first(), range.last()));
    auto inserted = store_.execute("INSERT INTO serial_reservations (serial, recipe, station, port, reserved, state) "
                                   "VALUES (?, ?, ?, ?, ?, 'reserved')",
                                   {*free, recipe, store_.station(), port, recordTime(store_.clock())}, "written");
    if (!inserted)
        return unexpected(inserted.error());
    if (auto committed = transaction.commit(); !committed)
        return unexpected(committed.error());
    return *free;
}

Expected<std::vector<qint64>, QString> SerialTable::taken(const SerialRange& range)
{
    QSqlQuery q(store_.database());
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

Expected<void, QString> SerialTable::mark(const QString& serial, const QString& state)
{
    auto q = store_.execute("UPDATE serial_reservations SET state = ? WHERE serial = ?", {state, serial}, "written");
    return q ? Expected<void, QString>() : unexpected(q.error());
}

Expected<bool, QString> SerialTable::passed(const QString& serial, const QString& job, const QString& recipe,
                                            const QString& heldFor)
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
    auto q = store_.execute(sql, values, "read");
    if (!q)
        return unexpected(q.error());
    const bool passed = (*q)->next() && (*q)->value(0).toInt() > 0;
    (*q)->finish();
    return passed;
}

} // namespace auxpad
