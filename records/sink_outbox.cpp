// The journal's part of the sinks: which board results each sink takes, written with the
// record, and how far each went.
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "base/board_counts.h"
#include "base/result_words.h"
#include "records/record_table.h"
#include "records/sink_outbox.h"
#include "records/store_connection.h"

namespace auxpad {

bool standsForBoard(const JobRecord& record)
{
    // A job run under a recipe other than the bring-up itself is one of its steps.
    return boards::standsForBoard(record.job.toStdString(), !record.recipe.isEmpty());
}

bool isBoardResult(const JobRecord& record)
{
    // The factory's systems are sent what the line's counts count, once it has ended.
    return boards::verdictOf(record.result.toStdString()) && standsForBoard(record);
}

bool sinkTakes(const SinkInterest& interest, const JobRecord& record)
{
    // A try that went again was sent as it ended; its mark that another try followed is
    // no news to send again.
    if (!isBoardResult(record) || record.triedAgain)
        return false;
    const bool passed = boards::verdictOf(record.result.toStdString()) == Verdict::Passed;
    switch (interest.events) {
    case SinkEvents::Passed:
        return passed;
    case SinkEvents::Failed:
        return !passed;
    case SinkEvents::All:
        break;
    }
    return true;
}

Expected<void, QString> SinkOutbox::hold(const JobRecord& record)
{
    for (const SinkInterest& interest : sinks_) {
        if (!sinkTakes(interest, record))
            continue;
        // A later state of a record is held again; an earlier one written late changes nothing.
        const auto held = store_.execute("INSERT INTO sink_deliveries (sink, job_uuid, revision, held_since) "
                                  "VALUES (?, ?, ?, ?) "
                                  "ON CONFLICT (sink, job_uuid) DO UPDATE SET revision = excluded.revision, "
                                  "refused = NULL WHERE sink_deliveries.revision < excluded.revision",
                                  {interest.sink, record.uuid, record.revision, recordTime(store_.clock())}, "written");
        if (!held)
            return unexpected(held.error());
    }
    return {};
}

Expected<std::vector<JobRecord>, QString> SinkOutbox::held(const QString& sink, int most)
{
    return records_.where(QStringLiteral("job_uuid IN (SELECT job_uuid FROM sink_deliveries WHERE sink = ? AND "
                                       "delivered < revision AND refused IS NULL)"),
                        {sink}, most);
}

Expected<void, QString> SinkOutbox::markDelivered(const QString& sink, const JobRecord& record)
{
    const auto q = store_.execute("UPDATE sink_deliveries SET delivered = ?, refused = NULL WHERE sink = ? AND job_uuid = ? "
                           "AND delivered < ?",
                           {record.revision, sink, record.uuid, record.revision}, "written");
    if (!q)
        return unexpected(q.error());
    return {};
}

Expected<void, QString> SinkOutbox::markRefused(const QString& sink, const JobRecord& record, const QString& answer)
{
    const auto q = store_.execute("UPDATE sink_deliveries SET refused = ? WHERE sink = ? AND job_uuid = ? AND delivered < ?",
                           {answer, sink, record.uuid, record.revision}, "written");
    if (!q)
        return unexpected(q.error());
    return {};
}

Expected<int, QString> SinkOutbox::resendRefused(const QString& sink)
{
    const QString all = QStringLiteral("UPDATE sink_deliveries SET refused = NULL WHERE refused IS NOT NULL");
    auto q = sink.isEmpty() ? store_.execute(all, {}, "written") : store_.execute(all + " AND sink = ?", {sink}, "written");
    if (!q)
        return unexpected(q.error());
    return (*q)->numRowsAffected();
}

Expected<std::vector<SinkCount>, QString> SinkOutbox::counts()
{
    auto q = store_.execute("SELECT sink, SUM(CASE WHEN delivered >= revision THEN 1 ELSE 0 END), "
                     "SUM(CASE WHEN delivered < revision AND refused IS NULL THEN 1 ELSE 0 END), "
                     "SUM(CASE WHEN delivered < revision AND refused IS NOT NULL THEN 1 ELSE 0 END), "
                     "MIN(CASE WHEN delivered < revision AND refused IS NULL THEN held_since END) "
                     "FROM sink_deliveries GROUP BY sink ORDER BY sink",
                     {}, "read");
    if (!q)
        return unexpected(q.error());
    std::vector<SinkCount> out;
    while ((*q)->next()) {
        out.push_back({(*q)->value(0).toString(), (*q)->value(1).toInt(), (*q)->value(2).toInt(),
                       (*q)->value(3).toInt(), (*q)->value(4).isNull() ? QString() : (*q)->value(4).toString()});
    }
    (*q)->finish();
    return out;
}

Expected<std::vector<SinkRefusal>, QString> SinkOutbox::refusals(const QString& sink)
{
    auto q = store_.execute("SELECT d.job_uuid, d.revision, d.refused, b.serial, b.port FROM sink_deliveries d "
                     "LEFT JOIN board_jobs b ON b.job_uuid = d.job_uuid "
                     "WHERE d.sink = ? AND d.delivered < d.revision AND d.refused IS NOT NULL ORDER BY b.id",
                     {sink}, "read");
    if (!q)
        return unexpected(q.error());
    std::vector<SinkRefusal> out;
    while ((*q)->next())
        out.push_back({(*q)->value(0).toString(), (*q)->value(1).toInt(), (*q)->value(2).toString(),
                       (*q)->value(3).toString(), (*q)->value(4).toString()});
    (*q)->finish();
    return out;
}

} // namespace auxpad
