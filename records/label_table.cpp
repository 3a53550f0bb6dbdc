#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "records/label_table.h"
#include "records/sql_values.h"
#include "records/store_connection.h"

namespace auxpad {

namespace {

const char* const kLabelColumns = "id, bring_up, serial, data, recipe, printer, state, job_id, reason, unsure, attempts, "
                                  "reprint_reason, queued";

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
    return l;
}

} // namespace

Expected<qint64, QString> LabelTable::queue(const LabelRecord& label)
{
    if (!store_.isOpen())
        return store_.fail("written", "they are not open");
    QSqlQuery q(store_.database());
    q.prepare(QStringLiteral("INSERT INTO labels (bring_up, serial, data, recipe, printer, state, attempts, reprint_reason, "
                             "queued) VALUES (?, ?, ?, ?, ?, 'queued', 0, ?, ?)%1")
                  .arg(store_.postgres() ? " RETURNING id" : ""));
    for (const QVariant& v : {orNull(label.bringUp), QVariant(label.serial), QVariant(label.data), orNull(label.recipe),
                              QVariant(label.printer), orNull(label.reprintReason), QVariant(recordTime(store_.clock()))})
        q.addBindValue(v);
    if (!q.exec())
        return store_.fail("written", q.lastError().text());
    if (store_.postgres())
        return q.next() ? q.value(0).toLongLong() : qint64{0};
    return q.lastInsertId().toLongLong();
}

Expected<void, QString> LabelTable::update(qint64 id, const QString& set, const QVariantList& values)
{
    auto q = store_.execute("UPDATE labels SET " + set + " WHERE id = ?", values + QVariantList{id}, "written");
    if (!q)
        return unexpected(q.error());
    if ((*q)->numRowsAffected() != 1)
        return store_.fail("written", QStringLiteral("there is no label %1").arg(id));
    return {};
}

Expected<void, QString> LabelTable::markHanded(qint64 id, int attempts)
{
    return update(id, "state = 'handed', attempts = ?, handed = ?, unsure = 0", {attempts, recordTime(store_.clock())});
}

Expected<void, QString> LabelTable::markPrinted(qint64 id, int jobId)
{
    return update(id, "state = 'printed', job_id = ?, reason = NULL, finished = ?", {jobId, recordTime(store_.clock())});
}

Expected<void, QString> LabelTable::markHeld(qint64 id, const QString& reason)
{
    return update(id, "state = 'held', reason = ?", {reason});
}

Expected<void, QString> LabelTable::markFailed(qint64 id, const QString& reason)
{
    return update(id, "state = 'failed', reason = ?, finished = ?", {reason, recordTime(store_.clock())});
}

Expected<void, QString> LabelTable::markUnsure(qint64 id, const QString& reason)
{
    return update(id, "state = 'queued', unsure = 1, reason = ?", {reason});
}

Expected<std::vector<LabelRecord>, QString> LabelTable::list(Which which)
{
    if (!store_.isOpen())
        return store_.fail("read", "they are not open");
    QSqlQuery q(store_.database());
    q.setForwardOnly(true);
    const char* where = which == Which::Held     ? " WHERE state IN ('queued', 'handed', 'held')"
                        : which == Which::Handed ? " WHERE state = 'handed'"
                                                 : "";
    if (!q.exec(QStringLiteral("SELECT %1 FROM labels%2 ORDER BY id").arg(kLabelColumns, where)))
        return store_.fail("read", q.lastError().text());
    std::vector<LabelRecord> out;
    while (q.next())
        out.push_back(readLabel(q));
    return out;
}

Expected<std::optional<LabelRecord>, QString> LabelTable::last(const QString& serial)
{
    if (!store_.isOpen())
        return store_.fail("read", "they are not open");
    QSqlQuery q(store_.database());
    q.prepare(QStringLiteral("SELECT %1 FROM labels WHERE serial = ? ORDER BY id DESC LIMIT 1").arg(kLabelColumns));
    q.addBindValue(serial);
    if (!q.exec())
        return store_.fail("read", q.lastError().text());
    if (!q.next())
        return std::optional<LabelRecord>();
    return std::optional<LabelRecord>(readLabel(q));
}

Expected<QString, QString> LabelTable::stateOf(const QString& bringUp)
{
    auto q = store_.execute("SELECT state FROM labels WHERE bring_up = ? ORDER BY id DESC LIMIT 1", {bringUp}, "read");
    if (!q)
        return unexpected(q.error());
    const QString state = (*q)->next() ? (*q)->value(0).toString() : QString();
    (*q)->finish();
    return state;
}

} // namespace auxpad
