#pragma once

#include <QString>
#include <QStringList>

#include "base/board_counts.h"
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

// What a summary's rows are: a station's, a slot's (a station's port), an operator's or a
// work order's boards (each board once, by the rule of base/board_counts.h); each journal
// that wrote under a station's name (a simulated shift's rows, not a report's choice); or,
// for whoever wants the counts as they were before boards were counted, every job of a
// station (`--per job`).
enum class Per { Station, Slot, Operator, Order, Job, Journal };
// The choices a report offers, by name; a journal's rows are none of them.
std::optional<Per> perNamed(const QString& name);
QString nameOf(Per per);
QStringList perNames();

// What is counted: boards, or every job.
enum class Counting { Boards, Jobs };
QString nameOf(Counting counting); // "boards", "jobs"
// What is counted, as more of whereOf's conditions: " AND " the board records alone, or
// nothing for every job.
QString countedSql(Counting counting);

// One station (or slot, operator, order, journal: the summary's `per`) over one period.
struct StationYield {
    QString group;   // the station, operator or order
    QString port;    // a slot's port, or the journal's identity of a journal's row
    QString period;
    qint64 tried = 0; // every board (or job) that started in the period, whatever became of it
    qint64 passed = 0;
    qint64 failed = 0;
    qint64 interrupted = 0;
    qint64 firstPass = 0;   // boards whose first try passed (a job is its own first try)
    qint64 firstFailed = 0; // boards whose first try failed
    qint64 noSerial = 0;    // a journal's row: boards that failed for want of a serial number
    std::optional<double> outlier; // a slot that fails more than its bench: the tail (base/board_counts.h)
    // Passed, and passed at the first try, in per cent of those tried, to a tenth: an
    // interrupted one yielded nothing.
    double yield() const;
    double firstPassYield() const;
    FirstTries firstTries() const { return {tried, firstFailed}; }
};

// The failed boards (or jobs) of one step and cause: how many, their share of the failed
// ones in per cent, and the text most of them said (their message, else their caption),
// on one line and never a download's progress.
struct FailureCount {
    QString step;
    QString cause;
    qint64 count = 0;
    double share = 0;
    QString example;
};

// Failure texts of one step and cause, each with how many said it, as failures() sums
// them up: a group a row, the most frequent first, at most `most`.
struct FailureText {
    QString step, cause, text;
    qint64 count = 0;
};
std::vector<FailureCount> failureRows(const std::vector<FailureText>& texts, std::size_t most);

// What a report's summary counts: a row for each station (or slot, ...) and period, in
// the order of the periods and then of the groups, and the failed boards (or jobs) by
// step and cause, the most frequent first.
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

// Marks the slots of `rows` (a summary per slot) that fail more than their bench: the
// station's slots in the same period.
void markOutliers(std::vector<StationYield>& rows);

} // namespace auxpad
