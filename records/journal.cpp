#include "records/journal.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <cerrno>
#include <csignal>
#include <unistd.h>

#include "records/board_rule.h"

namespace auxpad {

Journal::Journal() = default;

bool Journal::processAlive(qint64 pid)
{
    return pid == ::getpid() || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

Expected<void, QString> Journal::derive(std::vector<JobRecord>& writes)
{
    JobRecord& record = writes.front();
    if (!standsForBoard(record))
        return {};
    if (record.board.isEmpty()) // a job nobody named a board for is a board of its own
        record.board = record.uuid;
    // Through the index of a board's tries, whose condition this very text is.
    static const QString tries = boardTriesSql();
    auto first = execute("SELECT result FROM board_jobs WHERE board = ? AND job_uuid <> ? AND " + tries
                             + " ORDER BY id LIMIT 1",
                         {record.board, record.uuid}, "read");
    if (!first)
        return unexpected(first.error());
    record.firstTry = (*first)->next() ? (*first)->value(0).toString() : record.result;
    (*first)->finish();
    if (record.revision > 1)
        return {};
    // A new try of the board: the ones before it are no boards of their own any more, and
    // go to the line's database as such, each a revision of its own.
    auto earlier = records_.where("board = ? AND job_uuid <> ? AND tried_again = 0 AND " + tries,
                                  {record.board, record.uuid}, 1 << 20);
    if (!earlier)
        return unexpected(earlier.error());
    for (JobRecord& before : *earlier) {
        before.triedAgain = true;
        ++before.revision;
        writes.push_back(std::move(before));
    }
    return {};
}

} // namespace auxpad
