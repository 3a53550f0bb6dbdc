// The promise that no record was altered, checked against every journal's chain as the
// line's database keeps it, and against the journals' own files when they are given.
#include <QVariant>

#include <deque>
#include <future>
#include <map>
#include <set>

#include "records/access_log.h"
#include "records/audit.h"
#include "records/chain.h"
#include "records/record_columns.h"

namespace auxpad {

namespace {

QString shortId(const QString& journal)
{
    return journal.left(8);
}

using Chains = std::map<QString, std::vector<ChainEntry>>; // each journal's, by number

// Each journal's entries follow one another from the first, each hash what it hashes.
void checkLinks(Invariant& i, const Chains& chains)
{
    for (const auto& [journal, entries] : chains) {
        QString prev = chain::genesis(journal);
        for (std::size_t k = 0; k < entries.size(); ++k) {
            const ChainEntry& e = entries[k];
            const auto expected = static_cast<qint64>(k + 1);
            if (e.seq != expected) {
                i.breaks(QStringLiteral("journal %1's chain has no entry %2: entries were deleted").arg(shortId(journal)).arg(expected));
                break;
            }
            if (e.prev != prev || chain::hashOf(e) != e.hash) {
                i.breaks(QStringLiteral("journal %1's chain entry %2 (%3 %4) was %5")
                              .arg(shortId(journal))
                              .arg(e.seq)
                              .arg(e.kind, e.key, e.prev != prev ? "put in out of its turn" : "edited"),
                       e.at);
                break;
            }
            prev = e.hash;
        }
    }
}

// The journal's own record of `uuid`, when its file was given.
const JobRecord* ownRecord(const std::map<QString, std::map<QString, JobRecord>>& journals, const JobRecord& r)
{
    const auto journal = journals.find(r.journal);
    if (journal == journals.end())
        return nullptr;
    const auto own = journal->second.find(r.uuid);
    return own == journal->second.end() ? nullptr : &own->second;
}

// Each signed event there is the entry its journal chained, as chained, and every event
// a chain holds is there.
Expected<void, QString> checkAccess(Invariant& i, const Chains& chains, RecordReader& line)
{
    auto events = AccessLog(line).between({});
    if (!events)
        return unexpected(events.error());
    std::set<std::pair<QString, QString>> there;
    for (const AccessEvent& a : *events) {
        there.insert({a.journal, a.uuid});
        const auto chain = chains.find(a.journal);
        const ChainEntry* e = chain != chains.end() && a.chainSeq >= 1 && a.chainSeq <= static_cast<qint64>(chain->second.size())
                                  ? &chain->second[static_cast<std::size_t>(a.chainSeq - 1)]
                                  : nullptr;
        if (!e || e->kind != QLatin1String(chain::kAccess) || e->key != a.uuid)
            i.breaks(QStringLiteral("the %1 signed by badge %2 at %3 is in no journal's chain: it was put in from "
                                     "outside one")
                          .arg(a.meaning, a.badge, a.station), a.at);
        else if (chain::sha256(access::content(a)) != e->contentSha256)
            i.breaks(QStringLiteral("journal %1's %2 %3 was edited: it is not what its journal chained")
                          .arg(shortId(a.journal), a.meaning, a.uuid), a.at);
    }
    for (const auto& [journal, list] : chains)
        for (const ChainEntry& e : list)
            if (e.kind == QLatin1String(chain::kAccess) && !there.count({journal, e.key}))
                i.breaks(QStringLiteral("journal %1's signed event %2 is in its chain but gone from the line's "
                                         "database: it was deleted")
                              .arg(shortId(journal), e.key), e.at);
    return {};
}

// How many records a thread checks at a time.
constexpr std::size_t kCheckedTogether = 4096;
// One record of the line's database against its journal's chain.
struct RecordCheck {
    Invariant& i;
    const Chains& chains;
    const std::map<QString, std::map<QString, JobRecord>>& own;
    qint64 before; // the records written before the chain began: the last one's id
    QByteArray content{};
    chain::Sha256Check hashes{};

    void operator()(const JobRecord& r)
    {
        if (r.chainSeq == 0) {
            if (r.id > before)
                i.breaks(QStringLiteral("the record %1 of %2 is in no journal's chain: it was put in from outside one")
                              .arg(r.uuid, r.station), r.started);
            return;
        }
        const auto chain = chains.find(r.journal);
        const ChainEntry* e = chain != chains.end() && r.chainSeq <= static_cast<qint64>(chain->second.size())
                                  ? &chain->second[static_cast<std::size_t>(r.chainSeq - 1)]
                                  : nullptr;
        if (!e || e->kind != QLatin1String(chain::kRecord) || e->key != r.uuid || e->revision != r.revision) {
            i.breaks(QStringLiteral("journal %1's record %2 is not the entry %3 its chain holds: it was put in from "
                                     "outside the chain")
                          .arg(shortId(r.journal), r.uuid).arg(r.chainSeq), r.started);
            return;
        }
        content.resize(0); // keeps its room for the next record
        appendContent(content, r);
        if (r.contentSha256 == e->contentSha256 && hashes.matches(content, e->contentSha256))
            return;
        QString what = QStringLiteral("its content is not what its journal chained");
        if (const JobRecord* mine = ownRecord(own, r))
            what = "here and in its journal: " + differingColumns(r, *mine).join("; ");
        i.breaks(QStringLiteral("journal %1's record %2 was edited: %3").arg(shortId(r.journal), r.uuid, what),
               r.started);
    }
};

} // namespace

Expected<Invariant, QString> checkUnaltered(RecordReader& line, const std::vector<RecordReader*>& journalFiles)
{
    Invariant i;
    i.name = QStringLiteral("records-unaltered");
    i.description = QStringLiteral("no record or signed event was edited, deleted or put in out of its journal's chain");
    ChainTable table(line);
    auto entries = table.all();
    if (!entries)
        return unexpected(entries.error());
    Chains chains;
    for (ChainEntry& e : *entries)
        chains[e.journal].push_back(std::move(e));
    // The links are checked beside the records, on a thread of their own.
    auto linked = std::async(std::launch::async, [&chains] {
        Invariant l;
        checkLinks(l, chains);
        return l;
    });
    auto epoch = line.rows("SELECT before_id FROM chain_epoch");
    if (!epoch)
        return unexpected(epoch.error());
    const qint64 before = epoch->empty() ? 0 : epoch->front()[0].toLongLong();
    // The journals' own records, to name what differs.
    std::map<QString, std::map<QString, JobRecord>> own;
    for (RecordReader* file : journalFiles) {
        auto identity = file->identity();
        if (!identity)
            return unexpected(identity.error());
        auto& records = own[*identity];
        if (auto read = file->visit({}, [&](const JobRecord& r) { records[r.uuid] = r; }); !read)
            return unexpected(read.error());
    }
    // The records are checked a batch at a time on threads of their own, hashing their
    // contents, while the next batches are read; each batch's first break, taken in the
    // order read, names the first record altered.
    std::deque<std::future<Invariant>> checking;
    const auto settle = [&](std::size_t leaving) {
        for (; checking.size() > leaving; checking.pop_front())
            if (const Invariant b = checking.front().get(); !b.held)
                i.breaks(b.broken, b.at);
    };
    std::vector<JobRecord> batch;
    const auto handOn = [&] {
        settle(1); // two batches at most in the checking, one a core
        checking.push_back(std::async(std::launch::async, [&chains, &own, before, records = std::move(batch)] {
            Invariant b;
            RecordCheck check{b, chains, own, before};
            for (const JobRecord& r : records)
                check(r);
            return b;
        }));
        batch = {};
        batch.reserve(kCheckedTogether);
    };
    auto read = line.visit({}, [&](JobRecord& r) {
        ++i.count;
        batch.push_back(std::move(r));
        if (batch.size() == kCheckedTogether)
            handOn();
    });
    if (read)
        handOn();
    settle(0);
    // The links come before the records: a broken link is the one named.
    if (const Invariant l = linked.get(); !l.held) {
        i.held = false;
        i.broken = l.broken;
        i.at = l.at;
    }
    if (!read)
        return unexpected(read.error());
    if (auto signedEvents = checkAccess(i, chains, line); !signedEvents)
        return unexpected(signedEvents.error());
    // Every record a chain holds is there, in one revision or another: the first one gone
    // in its chain's order is named.
    auto gone = line.rows("SELECT c.journal, c.entry_key, c.revision, c.at FROM chain c WHERE c.kind = ? AND NOT EXISTS "
                          "(SELECT 1 FROM board_jobs b WHERE b.job_uuid = c.entry_key AND b.journal = c.journal) "
                          "ORDER BY c.journal, c.seq LIMIT 1",
                          {QLatin1String(chain::kRecord)});
    if (!gone)
        return unexpected(gone.error());
    for (const QVariantList& g : *gone)
        i.breaks(QStringLiteral("journal %1's record %2 (revision %3) is in its chain but gone from the line's "
                                 "database: it was deleted")
                      .arg(shortId(g[0].toString()), g[1].toString(), g[2].toString()),
                 g[3].toString());
    return i;
}

} // namespace auxpad
