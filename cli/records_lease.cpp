// `auxpad-flash records lease`: the serial numbers a journal holds, and giving them back.
#include <cstdio>

#include "cli/records_sync.h"
#include "runner/pin_entry.h"

namespace auxpad::cli {

namespace {

int failed(const QString& why, int status = 1)
{
    std::fprintf(stderr, "auxpad-flash records: %s\n", why.toLocal8Bit().constData());
    return status;
}

// The one journal whose identity starts with `start`, as the line's database knows it;
// or why there is none, with the status to exit with.
Expected<QString, std::pair<QString, int>> knownJournal(LineDatabase& line, const QString& start)
{
    if (start.size() < 8)
        return unexpected(std::pair(QStringLiteral("--journal takes a journal's identity, or its first 8 characters "
                                                   "at least, as report --serials shows it"),
                                    2));
    const auto found = line.journalsLike(start);
    if (!found)
        return unexpected(std::pair(found.error(), 1));
    if (found->size() == 1)
        return found->front();
    if (found->isEmpty())
        return unexpected(std::pair(QStringLiteral("no journal %1 holds or held serial numbers of %2")
                                        .arg(start, StoreUrls::shownUrl(line.url())),
                                    2));
    return unexpected(std::pair(QStringLiteral("--journal %1 could be any of %2").arg(start, found->join(", ")), 2));
}

// Giving numbers back is an exception: signed as this station's rules ask (or whenever a
// signer is given), checked against the line's list of people as it is now, and on record
// in this station's journal, which is made for it when there is none, and delivered at once.
Expected<void, QString> signRelease(const LeaseAsk& ask, Journal& journal, LineDatabase& line, const QString& whose)
{
    AccessRules rules;
    if (journal.isOpen()) {
        auto kept = journal.access().keptRules();
        if (!kept)
            return unexpected(kept.error());
        rules = *kept;
    }
    if (ask.signer.isEmpty() && !rules.signatures)
        return {};
    if (!journal.isOpen())
        if (auto made = journal.open(StoreUrls::journalUrl()); !made)
            return made;
    if (!line.isOpen())
        if (auto opened = line.open(ask.lineUrl); !opened)
            return opened;
    auto people = line.people().list();
    if (!people)
        return unexpected(people.error());
    if (auto copied = journal.people().replaceAll(*people); !copied)
        return copied;
    AccessEvent event;
    event.meaning = access::kRelease;
    event.reason = ask.reason;
    event.board = QStringLiteral("journal %1").arg(whose);
    if (auto signedBy = signException(journal, rules, ask.signer, QStringLiteral("records lease --release"), {event},
                                      pinOfSigner());
        !signedBy)
        return signedBy;
    if (auto delivered = deliverHeld(journal, line, ask.lineUrl); !delivered)
        return unexpected(delivered.error());
    return {};
}

// Another journal's lease: what it holds, or, with the reason on record, all of it given
// back, for a journal that is gone (a station reinstalled with a fresh one).
int otherJournalLease(LineDatabase& line, Journal& own, const QString& journal, const LeaseAsk& ask)
{
    const QByteArray db = StoreUrls::shownUrl(ask.lineUrl).toLocal8Bit();
    if (!ask.release) {
        const auto leased = line.leasedTo(journal);
        if (!leased)
            return failed(leased.error());
        std::printf("journal %s holds %lld serial numbers of %s%s%s\n", journal.toLocal8Bit().constData(),
                    static_cast<long long>(leased->size()), db.constData(), leased->isEmpty() ? "" : ": ",
                    leased->join(' ').toLocal8Bit().constData());
        return 0;
    }
    if (const auto signedBy = signRelease(ask, own, line, journal); !signedBy)
        return failed(signedBy.error(), 2);
    const auto released = line.releaseJournal(journal, ask.reason);
    if (!released)
        return failed(released.error());
    std::printf("%d serial numbers of journal %s given back to %s, on record: %s\n", *released,
                journal.toLocal8Bit().constData(), db.constData(), ask.reason.toLocal8Bit().constData());
    return 0;
}

} // namespace

int runLease(const LeaseAsk& ask)
{
    const QString lineDb = StoreUrls::shownUrl(ask.lineUrl);
    const QByteArray who = ask.station.toLocal8Bit();
    Journal journal;
    // A station without a journal holds no lease; none is made for it here.
    const bool ownJournal =
        journal.open(StoreUrls::journalUrl(), Journal::Opening::MustExist).has_value();
    journal.setStation(ask.station);
    LineDatabase line;
    line.setStation(ask.station);
    if (!ask.journal.isEmpty()) {
        if (const auto opened = line.open(ask.lineUrl); !opened)
            return failed(opened.error());
        const auto other = knownJournal(line, ask.journal);
        if (!other)
            return failed(other.error().first, other.error().second);
        const auto own = ownJournal ? journal.identity() : Expected<QString, QString>(QString());
        if (!own || *own != *other)
            return otherJournalLease(line, journal, *other, ask);
    }
    if (!ownJournal) {
        std::printf("%s holds no serial numbers of %s\n", who.constData(), lineDb.toLocal8Bit().constData());
        return 0;
    }
    const auto identity = journal.identity();
    if (!identity)
        return failed(identity.error());
    const auto leased = journal.leases().leased(lineDb);
    if (!leased)
        return failed(leased.error());
    if (!ask.release) {
        std::printf("%s holds %lld serial numbers of %s%s%s\n", who.constData(), static_cast<long long>(leased->size()),
                    lineDb.toLocal8Bit().constData(), leased->isEmpty() ? "" : ": ",
                    leased->join(' ').toLocal8Bit().constData());
        return 0;
    }
    // Forgotten in the journal first: a number the line's database freed while the journal
    // still held it could be handed out twice, whereas one the line's database still
    // leases to this journal comes back to its lease at the next refill.
    if (!line.isOpen()) {
        if (const auto opened = line.open(ask.lineUrl); !opened)
            return failed(opened.error());
    }
    if (const auto signedBy = signRelease(ask, journal, line, *identity); !signedBy)
        return failed(signedBy.error(), 2);
    if (const auto dropped = journal.leases().drop(lineDb, *leased); !dropped)
        return failed(dropped.error());
    const auto released = line.releaseSerials(*identity, *leased);
    if (!released)
        return failed(released.error() + "; the numbers come back to this station's lease at its next refill");
    std::printf("%d serial numbers given back to %s\n", *released, lineDb.toLocal8Bit().constData());
    return 0;
}

} // namespace auxpad::cli
