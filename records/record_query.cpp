// The reading side of a report: its filters as SQL, and the summary of yield and
// failures, counted by the database on either SQLite or PostgreSQL.
#include "records/record_query.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "base/board_counts.h"
#include "records/board_rule.h"
#include "records/record_reader.h"

namespace auxpad {

namespace {
QStringList listOf(const auto& table)
{
    QStringList out;
    for (const char* word : table)
        out << QLatin1String(word);
    return out;
}
} // namespace

const QStringList kJobKinds = listOf(words::kJobs);
const QStringList kJobResults = listOf(words::kResults);

namespace {

// Each field with its option's name, which is its placeholder too, and its column.
using Field = QString RecordFilter::*;
struct FilterField {
    const char* name;
    const char* column;
    Field field;
};
const FilterField kFields[] = {
    {"since", "started", &RecordFilter::since},
    {"until", "started", &RecordFilter::until},
    {"station", "station", &RecordFilter::station},
    {"job", "job", &RecordFilter::job},
    {"result", "result", &RecordFilter::result},
    {"port", "port", &RecordFilter::port},
    {"serial", "serial", &RecordFilter::serial},
    {"operator", "operator", &RecordFilter::operatorId},
    {"order", "work_order", &RecordFilter::order},
};

} // namespace

std::vector<std::pair<QString, QString>> RecordFilter::given() const
{
    std::vector<std::pair<QString, QString>> out;
    for (const auto& [name, column, field] : kFields)
        if (!(this->*field).isEmpty())
            out.emplace_back(name, this->*field);
    return out;
}

QString recordTimeOf(const QString& text)
{
    QDateTime time;
    if (text.size() == 10) {
        const QDate day = QDate::fromString(text, Qt::ISODate);
        if (day.isValid())
            time = QDateTime(day, QTime(0, 0), Qt::UTC);
    } else {
        time = QDateTime::fromString(text, Qt::ISODateWithMs);
        // Without an offset of its own, a time is taken as UTC, as every stored one is.
        if (time.isValid() && time.timeSpec() == Qt::LocalTime)
            time.setTimeSpec(Qt::UTC);
    }
    return time.isValid() ? time.toUTC().toString(Qt::ISODateWithMs) : QString();
}

Expected<void, QString> RecordFilter::normalize()
{
    for (QString* time : {&since, &until}) {
        if (time->isEmpty())
            continue;
        const QString recordTime = recordTimeOf(*time);
        if (recordTime.isNull())
            return unexpected(QStringLiteral("--%1 %2 is not a date: give YYYY-MM-DD or an ISO 8601 time in UTC")
                                  .arg(time == &since ? "since" : "until", *time));
        *time = recordTime;
    }
    if (!job.isEmpty() && !kJobKinds.contains(job))
        return unexpected(QStringLiteral("--job %1 is no job of a station: give %2").arg(job, kJobKinds.join(", ")));
    if (!result.isEmpty() && !kJobResults.contains(result))
        return unexpected(
            QStringLiteral("--result %1 is no result of a job: give %2").arg(result, kJobResults.join(", ")));
    return {};
}

QString whereOf(const RecordFilter& filter)
{
    QString where = " WHERE 1 = 1";
    if (!filter.since.isEmpty())
        where += " AND started >= :since";
    if (!filter.until.isEmpty())
        where += " AND started < :until";
    for (const auto& [name, column, field] : kFields) {
        if (field != &RecordFilter::since && field != &RecordFilter::until && !(filter.*field).isEmpty())
            where += QStringLiteral(" AND %1 = :%2").arg(QLatin1String(column), QLatin1String(name));
    }
    return where;
}

void bindFilter(QSqlQuery& query, const RecordFilter& filter)
{
    for (const auto& [name, column, field] : kFields)
        if (!(filter.*field).isEmpty())
            query.bindValue(QLatin1Char(':') + QLatin1String(name), filter.*field);
}

std::optional<Period> periodNamed(const QString& name)
{
    for (const Period p : {Period::Hour, Period::Day, Period::Week})
        if (name == nameOf(p))
            return p;
    return std::nullopt;
}

QString nameOf(Period period)
{
    switch (period) {
    case Period::Hour:
        return QStringLiteral("hour");
    case Period::Day:
        return QStringLiteral("day");
    case Period::Week:
        break;
    }
    return QStringLiteral("week");
}

std::optional<Per> perNamed(const QString& name)
{
    for (const Per p : {Per::Station, Per::Operator, Per::Order, Per::Job})
        if (name == nameOf(p))
            return p;
    return std::nullopt;
}

QString nameOf(Per per)
{
    switch (per) {
    case Per::Station:
        return QStringLiteral("station");
    case Per::Operator:
        return QStringLiteral("operator");
    case Per::Order:
        return QStringLiteral("order");
    case Per::Job:
        break;
    }
    return QStringLiteral("job");
}

QString nameOf(Counting counting)
{
    return counting == Counting::Jobs ? QStringLiteral("jobs") : QStringLiteral("boards");
}

QString Summary::group() const
{
    return per == Per::Job ? nameOf(Per::Station) : nameOf(per);
}

double StationYield::yield() const
{
    return Tally::yieldPercent(passed, tried);
}

QString countedSql(Counting counting)
{
    return counting == Counting::Boards ? " AND " + boardRecordsSql() : QString();
}

namespace {

// The period of a group of records, as SQL of the database, from `start`: the hour their
// stored start falls in ("2026-12-06T14"). The day is its front; the week is the Monday on
// or before that day, which each database reckons its own way.
QString periodSql(Period by, bool postgres)
{
    switch (by) {
    case Period::Hour:
        return "start || ':00'";
    case Period::Day:
        return "substr(start, 1, 10)";
    case Period::Week:
        break;
    }
    return postgres ? "to_char(date_trunc('week', CAST(substr(start, 1, 10) AS timestamp)), 'YYYY-MM-DD')"
                    : "date(substr(start, 1, 10), '-6 days', 'weekday 1')";
}

} // namespace

Expected<Summary, QString> RecordReader::summarise(const RecordFilter& filter, Period by, Per per)
{
    Summary out{by, per, {}, {}};
    // A job nobody signed, or of no order, counts under "".
    const QString group = per == Per::Operator ? QStringLiteral("COALESCE(operator, '')")
                          : per == Per::Order  ? QStringLiteral("COALESCE(work_order, '')")
                                               : QStringLiteral("station");
    const bool boards = out.counting() == Counting::Boards;
    if (!isOpen())
        return fail("read", "they are not open");
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    // The records are counted by station and hour, in the order of the index of that very
    // expression (schema 5, or 10 for the boards alone), so that a million records are
    // counted without being sorted; those counts are then added up by period.
    q.prepare(QStringLiteral("SELECT grouped, %1, SUM(tried), SUM(passed), SUM(failed) FROM ("
                             "SELECT %2 AS grouped, substr(started, 1, 13) AS start, COUNT(*) AS tried, "
                             "SUM(CASE WHEN %3 THEN 1 ELSE 0 END) AS passed, "
                             "SUM(CASE WHEN %4 THEN 1 ELSE 0 END) AS failed FROM board_jobs")
                  .arg(periodSql(by, postgres_), group, boards ? boardPassedSql() : QStringLiteral("result = 'passed'"),
                       boards ? boardFailedSql() : QStringLiteral("result = 'failed'"))
              + whereOf(filter) + countedSql(out.counting()) + " GROUP BY 1, 2) AS fronts GROUP BY 1, 2 ORDER BY 2, 1");
    bindFilter(q, filter);
    if (!q.exec())
        return fail("read", q.lastError().text());
    while (q.next())
        out.rows.push_back({q.value(0).toString(), q.value(1).toString(), q.value(2).toLongLong(),
                            q.value(3).toLongLong(), q.value(4).toLongLong()});

    auto failures = topFailures(filter, out.counting());
    if (!failures)
        return unexpected(failures.error());
    out.failures = std::move(*failures);
    return out;
}

} // namespace auxpad
