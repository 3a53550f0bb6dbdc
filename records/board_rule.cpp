#include "records/board_rule.h"

#include <QStringList>

#include "base/board_counts.h"

namespace auxpad {

namespace {

// "column IN ('a', 'b')" of the words of `table` that `keep` takes; a condition that
// never holds when it takes none.
template <typename Keep>
QString oneOf(const char* column, const auto& table, Keep keep)
{
    QStringList quoted;
    for (const char* word : table)
        if (keep(word))
            quoted << QLatin1Char('\'') + QLatin1String(word) + QLatin1Char('\'');
    return quoted.isEmpty() ? QStringLiteral("1 = 0")
                            : QStringLiteral("%1 IN (%2)").arg(QLatin1String(column), quoted.join(", "));
}

QString resultsOf(Verdict verdict, const char* column = "result")
{
    return oneOf(column, words::kResults, [verdict](const char* w) { return boards::verdictOf(w) == verdict; });
}

} // namespace

QString boardTriesSql()
{
    // The same text each time: the indexes of board records (schema 12) are chosen for a
    // query whose condition holds this very expression. One CASE rather than an OR of
    // jobs, which SQLite would read as two lookups in the index of the job, and then sort.
    const QString always = oneOf("job", words::kJobs, [](const char* w) { return boards::standsForBoard(w, true); });
    const QString alone = oneOf("job", words::kJobs, [](const char* w) {
        return boards::standsForBoard(w, false) && !boards::standsForBoard(w, true);
    });
    return QStringLiteral("(CASE WHEN %1 THEN 1 WHEN %2 AND COALESCE(recipe, '') = '' THEN 1 ELSE 0 END) = 1")
        .arg(always, alone);
}

QString boardRecordsSql()
{
    return boardTriesSql() + " AND tried_again = 0";
}

QString firstPassedSql()
{
    return resultsOf(Verdict::Passed, "first_try");
}

QString firstFailedSql()
{
    return resultsOf(Verdict::Failed, "first_try");
}

QString boardPassedSql()
{
    return resultsOf(Verdict::Passed);
}

QString boardFailedSql()
{
    return resultsOf(Verdict::Failed);
}

} // namespace auxpad
