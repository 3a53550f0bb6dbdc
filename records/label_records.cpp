#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "records/journal.h"
#include "records/sql_values.h"

namespace auxpad {

namespace {

const char* const kLabelColumns = "id, bring_up, serial, data, recipe, printer, state, job_id, reason, unsure, attempts, "
                                  "reprint_reason, queued, handed, finished";

LabelRecord readLabel(const QSqlQuery& q)
{
    auto text = [&](int i) { return q.value(i).isNull() ? QString() : q.value(i).toString(); };
    LabelRecord l;
    l.id = q.value(0).toLongLong();
    l.bringUp = text(1);
    l.serial = text(2);
    l.data = text(3);
    l.recipe = text(4);
    l.printer = text(5);
    l.state = text(6);
    l.jobId = q.value(7).toInt();
    l.reason = text(8);
    l.unsure = q.value(9).toInt() != 0;
    l.attempts = q.value(10).toInt();
    l.reprintReason = text(11);
    l.queued = text(12);
    l.handed = text(13);
    l.finished = text(14);
    return l;
}

} // namespace

Expected<qint64, QString> Journal::queueLabel(const LabelRecord& label)
{
    if (!isOpen())
        return fail("written", "they are not open");
    QSqlQuery q(db_);
    q.prepare(QStringLiteral("INSERT INTO labels (bring_up, serial, data, recipe, printer, state, attempts, reprint_reason, "
                             "queued) VALUES (?, ?, ?, ?, ?, 'queued', 0, ?, ?)%1")
                  .arg(postgres_ ? " RETURNING id" : ""));
    for (const QVariant& v : {orNull(label.bringUp), QVariant(label.serial), QVariant(label.data), orNull(label.recipe),
                              QVariant(label.printer), orNull(label.reprintReason), QVariant(recordTime(*clock_))})
        q.addBindValue(v);
    if (!q.exec())
        return fail("written", q.lastError().text());
    if (postgres_)
        return q.next() ? q.value(0).toLongLong() : qint64{0};
    return q.lastInsertId().toLongLong();
}

Expected<void, QString> Journal::updateLabel(qint64 id, const QString& set, const QVariantList& values)
{
    if (!isOpen())
        return fail("written", "they are not open");
    auto q = execute("UPDATE labels SET " + set + " WHERE id = ?", values + QVariantList{id}, "written");
    if (!q)
        return unexpected(q.error());
    if ((*q)->numRowsAffected() != 1)
        return fail("written", QStringLiteral("there is no label %1").arg(id));
    return {};
}

Expected<void, QString> Journal::markLabelHanded(qint64 id, int attempts)
{
    return updateLabel(id, "state = 'handed', attempts = ?, handed = ?, unsure = 0", {attempts, recordTime(*clock_)});
}

Expected<void, QString> Journal::markLabelPrinted(qint64 id, int jobId)
{
    return updateLabel(id, "state = 'printed', job_id = ?, reason = NULL, finished = ?", {jobId, recordTime(*clock_)});
}

Expected<void, QString> Journal::markLabelHeld(qint64 id, const QString& reason)
{
    return updateLabel(id, "state = 'held', reason = ?", {reason});
}

Expected<void, QString> Journal::markLabelFailed(qint64 id, const QString& reason)
{
    return updateLabel(id, "state = 'failed', reason = ?, finished = ?", {reason, recordTime(*clock_)});
}

Expected<void, QString> Journal::markLabelUnsure(qint64 id, const QString& reason)
{
    return updateLabel(id, "state = 'queued', unsure = 1, reason = ?", {reason});
}

Expected<std::vector<LabelRecord>, QString> Journal::labels(Labels which)
{
    if (!isOpen())
        return fail("read", "they are not open");
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    const char* where = which == Labels::Held     ? " WHERE state IN ('queued', 'handed', 'held')"
                        : which == Labels::Handed ? " WHERE state = 'handed'"
                                                  : "";
    if (!q.exec(QStringLiteral("SELECT %1 FROM labels%2 ORDER BY id").arg(kLabelColumns, where)))
        return fail("read", q.lastError().text());
    std::vector<LabelRecord> out;
    while (q.next())
        out.push_back(readLabel(q));
    return out;
}

Expected<std::optional<LabelRecord>, QString> Journal::lastLabel(const QString& serial)
{
    if (!isOpen())
        return fail("read", "they are not open");
    QSqlQuery q(db_);
    q.prepare(QStringLiteral("SELECT %1 FROM labels WHERE serial = ? ORDER BY id DESC LIMIT 1").arg(kLabelColumns));
    q.addBindValue(serial);
    if (!q.exec())
        return fail("read", q.lastError().text());
    if (!q.next())
        return std::optional<LabelRecord>();
    return std::optional<LabelRecord>(readLabel(q));
}

} // namespace auxpad
