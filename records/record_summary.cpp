// A report's summary: each group's boards per period, counted by the database on either
// SQLite or PostgreSQL by the board rule, with the first tries and the slots that fail
// more than their bench; and the failures by step and cause.
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <map>

#include "base/one_line.h"
#include "base/result_words.h"
#include "records/board_rule.h"
#include "records/record_reader.h"

namespace auxpad {

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

// What a row is grouped by, as SQL: its group, and its port or journal ('' for none).
std::pair<QString, QString> groupSql(Per per)
{
    switch (per) {
    case Per::Operator:
        return {"COALESCE(operator, '')", "''"}; // a job nobody signed counts under ""
    case Per::Order:
        return {"COALESCE(work_order, '')", "''"};
    case Per::Slot:
        return {"station", "port"};
    case Per::Journal:
        return {"station", "COALESCE(journal, '')"};
    case Per::Station:
    case Per::Job:
        break;
    }
    return {"station", "''"};
}

QString countIf(const QString& condition)
{
    return QStringLiteral("SUM(CASE WHEN %1 THEN 1 ELSE 0 END)").arg(condition);
}

// A failure text a person can read as a reason: a download's progress is none.
bool saysWhy(const QString& text)
{
    return !text.trimmed().isEmpty() && !text.trimmed().startsWith(QLatin1String(words::kDownloading));
}

} // namespace

std::vector<FailureCount> failureRows(const std::vector<FailureText>& texts, std::size_t most)
{
    struct Group {
        FailureCount row;
        qint64 exampleCount = 0;
    };
    std::map<std::pair<QString, QString>, Group> groups;
    qint64 failed = 0;
    for (const FailureText& t : texts) {
        Group& g = groups[{t.step, t.cause}];
        g.row.step = t.step;
        g.row.cause = t.cause;
        g.row.count += t.count;
        failed += t.count;
        const QString said = QString::fromStdString(oneLine(t.text.toStdString()));
        if (saysWhy(said) && (t.count > g.exampleCount || (t.count == g.exampleCount && said < g.row.example))) {
            g.row.example = said;
            g.exampleCount = t.count;
        }
    }
    std::vector<FailureCount> rows;
    for (auto& [key, g] : groups) {
        g.row.share = Tally::yieldPercent(g.row.count, failed);
        rows.push_back(std::move(g.row));
    }
    std::stable_sort(rows.begin(), rows.end(), [](const FailureCount& a, const FailureCount& b) { return a.count > b.count; });
    if (rows.size() > most)
        rows.resize(most);
    return rows;
}

void markOutliers(std::vector<StationYield>& rows)
{
    std::map<std::pair<QString, QString>, FirstTries> benches; // by period and station
    for (const StationYield& r : rows) {
        FirstTries& bench = benches[{r.period, r.group}];
        bench.boards += r.tried;
        bench.failed += r.firstFailed;
    }
    for (StationYield& r : rows)
        r.outlier = Outlier::of(r.firstTries(), benches[{r.period, r.group}]);
}

Expected<std::vector<FailureText>, QString> RecordReader::failureTexts(const RecordFilter& filter, Counting counting)
{
    if (!isOpen())
        return fail("read", "they are not open");
    QSqlQuery f(db_);
    f.setForwardOnly(true);
    f.prepare("SELECT COALESCE(step, ''), COALESCE(cause, ''), COALESCE(NULLIF(message, ''), caption, ''), COUNT(*) "
              "FROM board_jobs"
              + whereOf(filter) + countedSql(counting) + " AND " + boardFailedSql() + " GROUP BY 1, 2, 3");
    bindFilter(f, filter);
    if (!f.exec())
        return fail("read", f.lastError().text());
    std::vector<FailureText> out;
    while (f.next())
        out.push_back({f.value(0).toString(), f.value(1).toString(), f.value(2).toString(), f.value(3).toLongLong()});
    return out;
}

Expected<std::vector<FailureCount>, QString> RecordReader::failures(const RecordFilter& filter, Counting counting)
{
    auto texts = failureTexts(filter, counting);
    if (!texts)
        return unexpected(texts.error());
    return failureRows(*texts, Summary::kTopFailures);
}

Expected<Summary, QString> RecordReader::summarise(const RecordFilter& filter, Period by, Per per)
{
    Summary out{by, per, {}, {}};
    const auto [group, port] = groupSql(per);
    const bool boards = out.counting() == Counting::Boards;
    if (!isOpen())
        return fail("read", "they are not open");
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    // The records are counted by station (or slot) and hour, in the order of the index of
    // that very expression (schema 5, or 12 for the boards alone), so that a million
    // records are counted without being sorted; those counts are then added up by period.
    // A job is its own first try.
    const QString passed = boards ? boardPassedSql() : QStringLiteral("result = 'passed'");
    const QString failed = boards ? boardFailedSql() : QStringLiteral("result = 'failed'");
    const QString counts = QStringList{countIf(passed) + " AS passed", countIf(failed) + " AS failed",
                                       countIf("result = 'interrupted'") + " AS interrupted",
                                       countIf(boards ? firstPassedSql() : passed) + " AS first_passed",
                                       countIf(boards ? firstFailedSql() : failed) + " AS first_failed",
                                       // Read where it is asked for alone: the indexes the summary
                                       // reads a million records through hold no cause.
                                       per == Per::Journal ? countIf(failed + " AND cause = 'no-serial'") + " AS no_serial"
                                                           : QStringLiteral("0 AS no_serial")}
                               .join(", ");
    // A row of a group that has no second part (a slot's port, a journal) is grouped
    // without one: grouped by a constant too, SQLite reads the wrong index and sorts.
    const bool twoParts = port != QLatin1String("''");
    q.prepare(QStringLiteral("SELECT grouped, %1, %2, SUM(tried), SUM(passed), SUM(failed), SUM(interrupted), "
                             "SUM(first_passed), SUM(first_failed), SUM(no_serial) FROM (SELECT %3 AS grouped, %4"
                             "substr(started, 1, 13) AS start, COUNT(*) AS tried, %5 FROM board_jobs")
                  .arg(twoParts ? "port" : "''", periodSql(by, postgres_), group, twoParts ? port + " AS port, " : "",
                       counts)
              + whereOf(filter) + countedSql(out.counting())
              + (twoParts ? " GROUP BY 1, 2, 3) AS fronts GROUP BY 1, 2, 3 ORDER BY 3, 1, 2"
                          : " GROUP BY 1, 2) AS fronts GROUP BY 1, 3 ORDER BY 3, 1"));
    bindFilter(q, filter);
    if (!q.exec())
        return fail("read", q.lastError().text());
    while (q.next()) {
        StationYield row;
        row.group = q.value(0).toString();
        row.port = q.value(1).toString();
        row.period = q.value(2).toString();
        row.tried = q.value(3).toLongLong();
        row.passed = q.value(4).toLongLong();
        row.failed = q.value(5).toLongLong();
        row.interrupted = q.value(6).toLongLong();
        row.firstPass = q.value(7).toLongLong();
        row.firstFailed = q.value(8).toLongLong();
        row.noSerial = q.value(9).toLongLong();
        out.rows.push_back(std::move(row));
    }
    if (per == Per::Slot)
        markOutliers(out.rows);
    auto failures = this->failures(filter, out.counting());
    if (!failures)
        return unexpected(failures.error());
    out.failures = std::move(*failures);
    return out;
}

} // namespace auxpad
