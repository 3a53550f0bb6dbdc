#include "records/journal.h"
#include "records/board_rule.h"
#include "records/record_columns.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace auxpad {

bool Journal::processAlive(qint64 pid)
{
    return pid == ::getpid() || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

Expected<int, QString> Journal::closeLeftovers(const std::function<bool(qint64)>& alive)
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
        // Closed, and held for the sinks as a board's result, in one transaction.
        if (!db_.transaction())
            return fail("written", db_.lastError().text());
        auto failed = [this](const QString& why) {
            db_.rollback();
            return fail("written", why);
        };
        QSqlQuery q(db_);
        q.prepare("UPDATE board_jobs SET result = 'interrupted', finished = :now, message = :why, "
                  "revision = revision + 1 WHERE id = :id AND result = 'running'");
        q.bindValue(":now", recordTime(*clock_));
        q.bindValue(":why", QStringLiteral("the process that ran the job ended before the job did"));
        q.bindValue(":id", id);
        if (!q.exec())
            return failed(q.lastError().text());
        const bool changed = q.numRowsAffected() > 0;
        if (changed && !sinks_.empty()) {
            QSqlQuery read(db_);
            read.prepare(QStringLiteral("SELECT %1 FROM board_jobs WHERE id = ?").arg(selectList()));
            read.addBindValue(id);
            if (!read.exec() || !read.next())
                return failed(read.lastError().text());
            JobRecord record;
            readRecord(read, record);
            read.finish();
            if (const auto along = writeAlongside(record); !along)
                return failed(along.error());
        }
        if (!db_.commit())
            return failed(db_.lastError().text());
        closed += changed;
    }
    return closed;
}

Expected<void, QString> Journal::derive(JobRecord& record)
{
    if (!standsForBoard(record))
        return {};
    if (record.board.isEmpty()) // a job nobody named a board for is a board of its own
        record.board = record.uuid;
    // Through the index of a board's tries, whose condition this very text is.
    static const QString tries = boardTriesSql();
    auto first = execute("SELECT result FROM board_jobs WHERE board = ? AND job_uuid <> ? AND " + tries
                             + " ORDER BY id LIMIT 1",
                         {record.board, record.uuid}, "read");
    if (!first)
        return unexpected(first.error());
    record.firstTry = (*first)->next() ? (*first)->value(0).toString() : record.result;
    (*first)->finish();
    if (record.revision > 1)
        return {};
    // A new try of the board: the ones before it are no boards of their own any more, and
    // go to the line's database as such.
    const auto marked = execute("UPDATE board_jobs SET tried_again = 1, revision = revision + 1 WHERE board = ? "
                                "AND job_uuid <> ? AND tried_again = 0 AND " + tries,
                                {record.board, record.uuid}, "written");
    return marked ? Expected<void, QString>() : unexpected(marked.error());
}

Expected<int, QString> Journal::heldCount(const QString& lineDb)
{
    auto q = execute("SELECT COUNT(*) FROM board_jobs WHERE line_db = ? AND delivered < revision", {lineDb}, "read");
    if (!q)
        return unexpected(q.error());
    const int count = (*q)->next() ? (*q)->value(0).toInt() : 0;
    (*q)->finish();
    return count;
}

Expected<std::vector<JobRecord>, QString> Journal::recordsWhere(const QString& where, const QVariantList& values,
                                                                int most)
{
    if (!isOpen())
        return fail("read", "they are not open");
    auto q = execute(QStringLiteral("SELECT %1 FROM board_jobs WHERE %2 ORDER BY id LIMIT %3")
                         .arg(selectList(), where)
                         .arg(most),
                     values, "read");
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

Expected<std::vector<JobRecord>, QString> Journal::held(const QString& lineDb, int most)
{
    return recordsWhere(QStringLiteral("line_db = ? AND delivered < revision"), {lineDb}, most);
}

Expected<void, QString> Journal::markDelivered(const std::vector<JobRecord>& records)
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

} // namespace auxpad
