#include "records/record_table.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "records/record_columns.h"
#include "records/store_connection.h"
#include "records/transaction.h"

namespace auxpad {

Expected<void, QString> RecordTable::write(JobRecord record)
{
    std::vector<JobRecord> writes{std::move(record)};
    if (hooks_)
        if (auto derived = hooks_->derive(writes); !derived)
            return derived;
    static const QString upsert = upsertStatement();
    QSqlQuery& q = store_.prepared(upsert);
    for (JobRecord& r : writes) {
        if (hooks_)
            hooks_->unchain(r);
        bindRecord(q, r);
        if (!q.exec())
            return store_.fail("written", q.lastError().text());
        if (hooks_)
            if (auto along = hooks_->alongside(r); !along)
                return along;
    }
    return {};
}

Expected<void, QString> RecordTable::saveAll(const std::vector<JobRecord>& records, const QString& announce)
{
    // The writer's lock at once: a store that reads a board's other tries before it writes
    // would otherwise find another connection writing, and be refused rather than wait.
    Transaction transaction(store_, Transaction::Kind::Exclusive);
    if (!transaction.begun())
        return transaction.begun();
    for (const JobRecord& record : records)
        if (auto written = write(record); !written)
            return written;
    // Told to the listeners when the transaction commits, and only then.
    if (store_.postgres() && !announce.isEmpty()) {
        QSqlQuery notify(store_.database());
        notify.prepare("SELECT pg_notify(?, '')");
        notify.addBindValue(announce);
        if (!notify.exec())
            return store_.fail("written", notify.lastError().text());
    }
    return transaction.commit();
}

Expected<int, QString> RecordTable::heldCount(const QString& lineDb)
{
    auto q = store_.execute("SELECT COUNT(*) FROM board_jobs WHERE line_db = ? AND delivered < revision", {lineDb},
                            "read");
    if (!q)
        return unexpected(q.error());
    const int count = (*q)->next() ? (*q)->value(0).toInt() : 0;
    (*q)->finish();
    return count;
}

Expected<std::vector<JobRecord>, QString> RecordTable::where(const QString& where, const QVariantList& values, int most)
{
    auto q = store_.execute(QStringLiteral("SELECT %1 FROM board_jobs WHERE %2 ORDER BY id LIMIT %3")
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

Expected<std::vector<JobRecord>, QString> RecordTable::held(const QString& lineDb, int most)
{
    return where(QStringLiteral("line_db = ? AND delivered < revision"), {lineDb}, most);
}

Expected<void, QString> RecordTable::markDelivered(const std::vector<JobRecord>& records)
{
    std::vector<QVariantList> rows;
    for (const JobRecord& r : records)
        rows.push_back({r.revision, r.uuid, r.revision});
    auto marked = store_.writeEach("UPDATE board_jobs SET delivered = ? WHERE job_uuid = ? AND delivered < ?", rows);
    return marked ? Expected<void, QString>() : unexpected(marked.error());
}

Expected<int, QString> RecordTable::closeLeftovers(const std::function<bool(qint64)>& alive)
{
    if (!store_.isOpen())
        return 0;
    auto running = where(QStringLiteral("result = 'running' AND station = ?"), {store_.station()}, 1 << 30);
    if (!running)
        return unexpected(running.error());
    int closed = 0;
    for (JobRecord& r : *running) {
        if (alive(r.pid))
            continue;
        // Closed, and held for the sinks as a board's result, in one transaction.
        r.result = QStringLiteral("interrupted");
        r.finished = recordTime(store_.clock());
        r.message = QStringLiteral("the process that ran the job ended before the job did");
        ++r.revision;
        if (auto saved = save(r); !saved)
            return unexpected(saved.error());
        ++closed;
    }
    return closed;
}

} // namespace auxpad
