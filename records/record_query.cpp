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

namespace {
constexpr Per kPerChoices[] = {Per::Station, Per::Slot, Per::Operator, Per::Order, Per::Job};
} // namespace

std::optional<Per> perNamed(const QString& name)
{
    for (const Per p : kPerChoices)
        if (name == nameOf(p))
            return p;
    return std::nullopt;
}

QStringList perNames()
{
    QStringList names;
    for (const Per p : kPerChoices)
        names << nameOf(p);
    return names;
}

QString nameOf(Per per)
{
    switch (per) {
    case Per::Station:
        return QStringLiteral("station");
    case Per::Slot:
        return QStringLiteral("slot");
    case Per::Operator:
        return QStringLiteral("operator");
    case Per::Order:
        return QStringLiteral("order");
    case Per::Journal:
        return QStringLiteral("journal");
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
    return per == Per::Operator || per == Per::Order ? nameOf(per) : nameOf(Per::Station);
}

double StationYield::yield() const
{
    return Tally::yieldPercent(passed, tried);
}

double StationYield::firstPassYield() const
{
    return Tally::yieldPercent(firstPass, tried);
}

QString countedSql(Counting counting)
{
    return counting == Counting::Boards ? " AND " + boardRecordsSql() : QString();
}

} // namespace auxpad
