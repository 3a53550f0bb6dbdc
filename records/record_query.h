#pragma once

#include <QString>
#include <QStringList>

#include "base/expected.h"

#include <optional>
#include <utility>
#include <vector>

class QSqlQuery;

namespace auxpad {

// Which records a report takes; empty fields let everything through, and the fields
// given must all hold. The two times are in the records' own form (recordTimeOf), so
// that they compare as text with the stored `started` on either database.
struct RecordFilter {
    QString since; // records started then or later
    QString until; // records started before then
    QString station;
    QString job;
    QString result;
    QString port;
    QString serial;
    QString operatorId;
    QString order;

    // The fields given, by their option's name, in the options' order.
    std::vector<std::pair<QString, QString>> given() const;
    // Puts the two times into the records' form and checks every value as a person
    // gave it, or says in one line what is wrong, naming the option.
    Expected<void, QString> normalize();
};

// The values a record's job and result may take, and so what the filters accept. `run`
// is taken before any station writes it, so that a report of a newer station's records
// does not refuse it.
extern const QStringList kJobKinds;
extern const QStringList kJobResults;

// A time as a report takes it (YYYY-MM-DD, or an ISO 8601 time, in UTC unless it says
// otherwise) in the form the records write theirs; a null string when it is no time.
QString recordTimeOf(const QString& text);

// The filter's conditions, " WHERE ...", with a placeholder for each value; and the
// values bound to a query prepared with them.
QString whereOf(const RecordFilter& filter);
void bindFilter(QSqlQuery& query, const RecordFilter& filter);

// The stretch of time a summary adds its records up over, each in UTC. A period is
// named by its start: 2026-12-07T08:00 for an hour, 2026-12-07 for a day, and the
// Monday's date for a week (ISO weeks start on Monday).
enum class Period { Hour, Day, Week };
std::optional<Period> periodNamed(const QString& name);
QString nameOf(Period period);

// What a summary's rows are: a station's, an operator's or a work order's boards (each
// board once, by the rule of base/board_counts.h); or, for whoever wants the counts as
// they were before boards were counted, every job of a station (`--per job`).
enum class Per { Station, Operator, Order, Job };
std::optional<Per> perNamed(const QString& name);
QString nameOf(Per per);

// What is counted: boards, or every job.
enum class Counting { Boards, Jobs };
QString nameOf(Counting counting); // "boards", "jobs"
// What is counted, as more of whereOf's conditions: " AND " the board records alone, or
// nothing for every job.
QString countedSql(Counting counting);

// One station (or operator, or order: the summary's `per`) over one period.
struct StationYield {
    QString group;
    QString period;
    qint64 tried = 0; // every board (or job) that started in the period, whatever became of it
    qint64 passed = 0;
    qint64 failed = 0;
    // Passed, in per cent of those tried, to a tenth: an interrupted one yielded nothing.
    double yield() const;
};

struct FailureCount {
    QString caption;
    qint64 count = 0;
};

// What a report's summary counts: a row for each station and period, in the order of
// the periods and then of the stations, and the captions of the failed boards (or jobs),
// the most frequent first.
struct Summary {
    Period by = Period::Day;
    Per per = Per::Station;
    std::vector<StationYield> rows;
    std::vector<FailureCount> failures;

    Counting counting() const { return per == Per::Job ? Counting::Jobs : Counting::Boards; }
    // What a row is named by: "station", "operator" or "order".
    QString group() const;

    static constexpr int kTopFailures = 10;
};

} // namespace auxpad
