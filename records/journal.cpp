#include "records/journal.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <unistd.h>

#include "records/board_rule.h"
#include "records/record_columns.h"
#include "records/transaction.h"

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

void Journal::unchain(JobRecord& record)
{
    record.contentSha256.clear();
    record.chainSeq = 0;
    record.chainPrev.clear();
}

Expected<ChainEntry, QString> Journal::chainOne(JobRecord& r, const ChainEntry* after)
{
    auto entry = chain_.append(chain::kRecord, r.uuid, r.revision, canonicalContent(r), after);
    if (!entry)
        return unexpected(entry.error());
    r.contentSha256 = entry->contentSha256;
    r.chainSeq = entry->seq;
    r.chainPrev = entry->prev;
    // A later revision written meanwhile stays unchained until it is handed on in turn.
    auto kept = execute("UPDATE board_jobs SET content_sha256 = ?, chain_seq = ?, chain_prev = ? "
                        "WHERE job_uuid = ? AND revision = ?",
                        {r.contentSha256, r.chainSeq, r.chainPrev, r.uuid, r.revision}, "written");
    if (!kept)
        return unexpected(kept.error());
    return entry;
}

Expected<void, QString> Journal::chainHeld(std::vector<JobRecord>& records)
{
    if (std::none_of(records.begin(), records.end(), [](const JobRecord& r) { return r.chainSeq == 0; }))
        return {};
    Transaction transaction(*this, Transaction::Kind::Exclusive);
    if (!transaction.begun())
        return transaction.begun();
    std::optional<ChainEntry> last;
    for (JobRecord& r : records) {
        if (r.chainSeq != 0)
            continue;
        auto chained = chainOne(r, last ? &*last : nullptr);
        if (!chained)
            return unexpected(chained.error());
        last = std::move(*chained);
    }
    return transaction.commit();
}

Expected<void, QString> Journal::chainLeases()
{
    auto any = leases_.anyUnchained();
    if (!any)
        return unexpected(any.error());
    if (!*any)
        return {};
    Transaction transaction(*this, Transaction::Kind::Exclusive);
    if (!transaction.begun())
        return transaction.begun();
    if (auto chained = leases_.chainUnchained(); !chained)
        return unexpected(chained.error());
    return transaction.commit();
}

Expected<int, QString> Journal::chainUnchained()
{
    auto unchained = records_.where(QStringLiteral("chain_seq IS NULL"), {}, 1);
    if (!unchained)
        return unexpected(unchained.error());
    const auto leases = execute("SELECT COUNT(*) FROM serial_leases WHERE chain_seq IS NULL", {}, "read");
    if (!leases)
        return unexpected(leases.error());
    const int unchainedLeases = (*leases)->next() ? (*leases)->value(0).toInt() : 0;
    (*leases)->finish();
    if (unchained->empty() && unchainedLeases == 0)
        return 0;
    Transaction transaction(*this, Transaction::Kind::Exclusive);
    if (!transaction.begun())
        return unexpected(transaction.begun().error());
    // Where the records stood when the journal began to chain them: those before were
    // written by a version that did not.
    auto epoch = execute("SELECT COALESCE(MAX(before_id), 0) FROM chain_epoch", {}, "read");
    if (!epoch)
        return unexpected(epoch.error());
    const qint64 before = (*epoch)->next() ? (*epoch)->value(0).toLongLong() : 0;
    (*epoch)->finish();
    auto records = records_.where(QStringLiteral("chain_seq IS NULL"), {}, 1 << 30);
    if (!records)
        return unexpected(records.error());
    int older = 0;
    std::optional<ChainEntry> last;
    for (JobRecord& r : *records) {
        auto chained = chainOne(r, last ? &*last : nullptr);
        if (!chained)
            return unexpected(chained.error());
        last = std::move(*chained);
        if (r.id > before)
            continue;
        ++older;
        // Its place in the chain goes to the line's database with it, once more.
        auto held = execute("UPDATE board_jobs SET delivered = 0 WHERE job_uuid = ?", {r.uuid}, "written");
        if (!held)
            return unexpected(held.error());
    }
    auto chainedLeases = leases_.chainUnchained();
    if (!chainedLeases)
        return unexpected(chainedLeases.error());
    if (auto committed = transaction.commit(); !committed)
        return unexpected(committed.error());
    return older + *chainedLeases;
}

} // namespace auxpad
