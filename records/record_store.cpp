#include "records/record_store.h"
#include "records/record_columns.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace auxpad {

Expected<std::vector<QVariantList>, QString> RecordStore::rows(const QString& sql, const QVariantList& values)
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

Expected<QSqlDriver*, QString> RecordStore::subscribe(const QString& channel)
{
    if (!isOpen())
        return fail("read", "they are not open");
    if (!postgres_)
        return fail("listened to", "a SQLite file has no channels");
    if (!db_.driver()->subscribeToNotification(channel))
        return fail("listened to", db_.driver()->lastError().text());
    return db_.driver();
}

Expected<qint64, QString> RecordStore::changeMark()
{
    if (!isOpen())
        return fail("read", "they are not open");
    QSqlQuery q(db_);
    if (!q.exec(postgres_ ? "SELECT 0" : "PRAGMA data_version") || !q.next())
        return fail("read", q.lastError().text());
    return q.value(0).toLongLong();
}

Expected<int, QString> RecordStore::heldCount(const QString& lineDb)
{
    auto q = execute("SELECT COUNT(*) FROM board_jobs WHERE line_db = ? AND delivered < revision", {lineDb}, "read");
    if (!q)
        return unexpected(q.error());
    const int count = (*q)->next() ? (*q)->value(0).toInt() : 0;
    (*q)->finish();
    return count;
}

Expected<std::vector<JobRecord>, QString> RecordStore::held(const QString& lineDb, int most)
{
    if (!isOpen())
        return fail("read", "they are not open");
    auto q = execute(QStringLiteral("SELECT %1 FROM board_jobs WHERE line_db = ? AND delivered < revision ORDER BY id "
                                    "LIMIT %2")
                         .arg(selectList())
                         .arg(most),
                     {lineDb}, "read");
    if (!q)
        return unexpected(q.error());
    std::vector<JobRecord> out;
    while ((*q)->next()) {
        out.emplace_back();
        readRecord(**q, out.back());
    }
    (*q)->finish();
    return out;
}

Expected<void, QString> RecordStore::markDelivered(const std::vector<JobRecord>& records)
{
    if (!isOpen())
        return fail("written", "they are not open");
    if (!db_.transaction())
        return fail("written", db_.lastError().text());
    QSqlQuery& q = prepared("UPDATE board_jobs SET delivered = ? WHERE job_uuid = ? AND delivered < ?");
    for (const JobRecord& r : records) {
        q.addBindValue(r.revision);
        q.addBindValue(r.uuid);
        q.addBindValue(r.revision);
        if (!q.exec()) {
            const QString why = q.lastError().text();
            db_.rollback();
            return fail("written", why);
        }
    }
    if (!db_.commit())
        return fail("written", db_.lastError().text());
    return {};
}

bool RecordStore::processAlive(qint64 pid)
{
    return pid == ::getpid() || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

Expected<int, QString> RecordStore::closeLeftovers(const std::function<bool(qint64)>& alive)
{
    if (!isOpen())
        return 0;
    QSqlQuery running(db_);
    running.prepare("SELECT id, pid FROM board_jobs WHERE result = 'running' AND station = :station");
    running.bindValue(":station", station_);
    if (!running.exec())
        return fail("read", running.lastError().text());
    std::vector<qlonglong> gone;
    while (running.next()) {
        if (!alive(running.value(1).toLongLong()))
            gone.push_back(running.value(0).toLongLong());
    }
    int closed = 0;
    for (const qlonglong id : gone) {
        QSqlQuery q(db_);
        q.prepare("UPDATE board_jobs SET result = 'interrupted', finished = :now, message = :why, "
                  "revision = revision + 1 WHERE id = :id AND result = 'running'");
        q.bindValue(":now", recordTime(*clock_));
        q.bindValue(":why", QStringLiteral("the process that ran the job ended before the job did"));
        q.bindValue(":id", id);
        if (!q.exec())
            return fail("written", q.lastError().text());
        closed += q.numRowsAffected() > 0;
    }
    return closed;
}

namespace {

constexpr const char* kTextColumns[] = {"started", "finished", "station", "port", "job", "result", "caption", "serial",
                                        "hardware", "mcusw", "dspsw", "code", "manufacture", "disk_file", "disk_sha256",
                                        "data_file", "data_sha256"};
constexpr const char* kNumberColumns[] = {"disk_blocks", "data_blocks", "seconds"};

} // namespace

Expected<std::map<QString, double>, QString> RecordStore::longest(const RecordFilter& filter)
{
    std::map<QString, double> out;
    if (!isOpen())
        return fail("read", "they are not open");
    const QString lineFeed = postgres_ ? "chr(10)" : "char(10)";
    QStringList parts;
    for (const QString c : kTextColumns) {
        // Only the texts the station writes can hold a line break.
        const bool multiLine = c == "caption";
        parts << (multiLine ? QStringLiteral("MAX(LENGTH(REPLACE(%1, %2, '\\n')))").arg(c, lineFeed)
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

Expected<void, QString> RecordStore::visit(const RecordFilter& filter, const std::function<void(const JobRecord&)>& each,
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

Expected<std::vector<JobRecord>, QString> RecordStore::find(const RecordFilter& filter)
{
    std::vector<JobRecord> out;
    if (auto read = visit(filter, [&](const JobRecord& r) { out.push_back(r); }); !read)
        return unexpected(read.error());
    return out;
}

} // namespace auxpad
