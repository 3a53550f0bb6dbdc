#include "records/record_reader.h"
#include "records/record_columns.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

namespace auxpad {

namespace {

// Every row an executed query gives, each as its values.
std::vector<QVariantList> everyRow(QSqlQuery& q)
{
    std::vector<QVariantList> out;
    const int columns = q.record().count();
    while (q.next()) {
        QVariantList row;
        for (int i = 0; i < columns; ++i)
            row << q.value(i);
        out.push_back(std::move(row));
    }
    return out;
}

} // namespace

Expected<std::vector<QVariantList>, QString> RecordReader::rows(const QString& sql, const QVariantList& values)
{
    if (!isOpen())
        return fail("read", "they are not open");
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    q.prepare(sql);
    for (const QVariant& value : values)
        q.addBindValue(value);
    if (!q.exec())
        return fail("read", q.lastError().text());
    return everyRow(q);
}

Expected<std::vector<QVariantList>, QString> RecordReader::filteredRows(const QString& sql, const RecordFilter& filter)
{
    if (!isOpen())
        return fail("read", "they are not open");
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    q.prepare(sql);
    bindFilter(q, filter);
    if (!q.exec())
        return fail("read", q.lastError().text());
    return everyRow(q);
}

Expected<QSqlDriver*, QString> RecordReader::subscribe(const QString& channel)
{
    if (!isOpen())
        return fail("read", "they are not open");
    if (!postgres_)
        return fail("listened to", "a SQLite file has no channels");
    if (!db_.driver()->subscribeToNotification(channel))
        return fail("listened to", db_.driver()->lastError().text());
    return db_.driver();
}

Expected<qint64, QString> RecordReader::changeMark()
{
    if (!isOpen())
        return fail("read", "they are not open");
    QSqlQuery q(db_);
    if (!q.exec(postgres_ ? "SELECT 0" : "PRAGMA data_version") || !q.next())
        return fail("read", q.lastError().text());
    return q.value(0).toLongLong();
}

namespace {

constexpr const char* kTextColumns[] = {"started", "finished", "station", "port", "job", "result", "caption", "serial",
                                        "hardware", "mcusw", "dspsw", "code", "manufacture", "disk_file", "disk_sha256",
                                        "data_file", "data_sha256"};
constexpr const char* kNumberColumns[] = {"disk_blocks", "data_blocks", "seconds"};

} // namespace

Expected<std::map<QString, double>, QString> RecordReader::longest(const RecordFilter& filter)
{
    std::map<QString, double> out;
    if (!isOpen())
        return fail("read", "they are not open");
    const QString lineFeed = postgres_ ? "chr(10)" : "char(10)";
    QStringList parts;
    for (const QString c : kTextColumns) {
        // Only the texts the station writes can hold a line break, which a table shows as
        // " / ": at most that long.
        const bool multiLine = c == "caption";
        parts << (multiLine ? QStringLiteral("MAX(LENGTH(REPLACE(%1, %2, ' / ')))").arg(c, lineFeed)
                            : QStringLiteral("MAX(LENGTH(%1))").arg(c));
    }
    for (const char* c : kNumberColumns)
        parts << QStringLiteral("MAX(%1)").arg(c);
    QSqlQuery q(db_);
    q.prepare("SELECT " + parts.join(", ") + " FROM board_jobs" + whereOf(filter));
    bindFilter(q, filter);
    if (!q.exec() || !q.next())
        return fail("read", q.lastError().text());
    int i = 0;
    for (const char* c : kTextColumns)
        out[c] = q.value(i++).toDouble();
    for (const char* c : kNumberColumns)
        out[c] = q.value(i++).toDouble();
    return out;
}

Expected<void, QString> RecordReader::visit(const RecordFilter& filter, const std::function<void(JobRecord&)>& each,
                                            Reading reading)
{
    if (!isOpen())
        return fail("read", "they are not open");
    const std::size_t columns = reading == Reading::TableColumns ? kTableColumns : kRecordColumns;
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM board_jobs").arg(selectList(columns)) + whereOf(filter)
              + " ORDER BY started, id");
    bindFilter(q, filter);
    if (!q.exec())
        return fail("read", q.lastError().text());
    JobRecord record;
    while (q.next()) {
        readRecord(q, record, columns);
        each(record);
    }
    return {};
}

Expected<std::vector<JobRecord>, QString> RecordReader::find(const RecordFilter& filter)
{
    std::vector<JobRecord> out;
    if (auto read = visit(filter, [&](JobRecord& r) { out.push_back(std::move(r)); }); !read)
        return unexpected(read.error());
    return out;
}

Expected<std::vector<SerialState>, QString> RecordReader::serialStates(const SerialRange& range)
{
    if (!isOpen())
        return fail("read", "they are not open");
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    q.prepare("SELECT serial, station, port, reserved, state, journal FROM serial_reservations "
              "WHERE serial BETWEEN ? AND ? ORDER BY serial");
    q.addBindValue(range.first());
    q.addBindValue(range.last());
    if (!q.exec())
        return fail("read", q.lastError().text());
    std::vector<SerialState> states;
    while (q.next())
        states.push_back({q.value(0).toString(), q.value(1).toString(), q.value(2).toString(), q.value(3).toString(),
                          q.value(4).toString(), 1, q.value(5).isNull() ? QString() : q.value(5).toString()});
    return states;
}

Expected<std::set<QString>, QString> RecordReader::sharedStationNames()
{
    if (!isOpen())
        return fail("read", "they are not open");
    QSqlQuery q(db_);
    if (!q.exec("SELECT station FROM journals GROUP BY station HAVING COUNT(*) > 1"))
        return fail("read", q.lastError().text());
    std::set<QString> shared;
    while (q.next())
        shared.insert(q.value(0).toString());
    return shared;
}

} // namespace auxpad
