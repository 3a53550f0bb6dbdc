// The line's promises checked against its stores: the same checks after a simulated
// shift and on a real line's data (records audit).
#include "records/audit.h"

#include <QJsonObject>

#include <map>
#include <set>
#include <unordered_map>

#include "base/result_words.h"

namespace auxpad {

namespace {

// The text a board that failed for want of a serial number carries.
const QString kLeaseRanOut = QStringLiteral("lease of serial numbers ran out");

struct Audit {
    std::vector<Invariant> out;
    Invariant& add(const char* name, const char* description)
    {
        Invariant& added = out.emplace_back();
        added.name = QLatin1String(name);
        added.description = QLatin1String(description);
        return added;
    }
};

// A journal's reads: its records for the line, its serial states, its labels.
struct JournalReads {
    QString identity;
    std::vector<QVariantList> records; // uuid, revision, delivered, job, result, serial, started, finished, message
    std::vector<QVariantList> serials; // serial, state, revision, delivered, refused, leased, taken
    std::vector<QVariantList> labels;  // bring_up, serial, state
};

Expected<JournalReads, QString> readJournal(RecordReader& journal, const QString& lineDb)
{
    JournalReads reads;
    auto identity = journal.identity();
    if (!identity)
        return unexpected(identity.error());
    reads.identity = *identity;
    auto records = journal.rows("SELECT job_uuid, revision, delivered, job, result, serial, started, finished, message "
                                "FROM board_jobs WHERE line_db = ? ORDER BY id",
                                {lineDb});
    auto serials = journal.rows("SELECT serial, state, revision, delivered, refused, leased, taken FROM serial_leases "
                                "WHERE line_db = ? ORDER BY serial",
                                {lineDb});
    auto labels = journal.rows("SELECT bring_up, serial, state FROM labels ORDER BY id");
    for (const auto* read : {&records, &serials, &labels})
        if (!*read)
            return unexpected(read->error());
    if (records->empty()) {
        // A journal that feeds another database was given by mistake: nothing of it would be checked.
        auto other = journal.rows("SELECT line_db FROM board_jobs WHERE line_db IS NOT NULL AND line_db <> ? LIMIT 1",
                                  {lineDb});
        if (other && !other->empty())
            return unexpected(QStringLiteral("the journal %1 keeps its records for %2, not for %3")
                                  .arg(StoreUrls::shownUrl(journal.url()), other->front()[0].toString(), lineDb));
    }
    reads.records = std::move(*records);
    reads.serials = std::move(*serials);
    reads.labels = std::move(*labels);
    return reads;
}

// What the line's database holds.
struct LineReads {
    qint64 uuids = 0; // how many job_uuids
    // job_uuid: revision, result; read only where journals' records are looked up in it.
    std::unordered_map<QString, std::pair<int, QString>> revisions;
    std::vector<QVariantList> passedRuns;                 // serial, serial_source, job_uuid, started
    std::vector<QVariantList> twice;                      // job_uuid, count
    std::map<QString, std::pair<QString, QString>> reservations; // serial: state, journal
};

Expected<LineReads, QString> readLine(RecordReader& line, bool withRevisions)
{
    LineReads reads;
    auto revisions = withRevisions ? line.rows("SELECT job_uuid, revision, result FROM board_jobs")
                                   : Expected<std::vector<QVariantList>, QString>(std::vector<QVariantList>{});
    auto uuids = line.rows("SELECT COUNT(DISTINCT COALESCE(job_uuid, '')) FROM board_jobs");
    auto passed = line.rows("SELECT serial, serial_source, job_uuid, started FROM board_jobs WHERE job = ? AND result = ? "
                            "ORDER BY started, id",
                            {QLatin1String(words::kRun), QLatin1String(words::kPassed)});
    auto twice = line.rows("SELECT job_uuid, COUNT(*) FROM board_jobs GROUP BY job_uuid HAVING COUNT(*) > 1");
    auto reservations = line.rows("SELECT serial, state, journal FROM serial_reservations");
    for (const auto* read : {&revisions, &uuids, &passed, &twice, &reservations})
        if (!*read)
            return unexpected(read->error());
    reads.uuids = uuids->empty() ? 0 : uuids->front()[0].toLongLong();
    reads.revisions.reserve(revisions->size());
    for (const QVariantList& r : *revisions)
        reads.revisions[r[0].toString()] = {r[1].toInt(), r[2].toString()};
    reads.passedRuns = std::move(*passed);
    reads.twice = std::move(*twice);
    for (const QVariantList& r : *reservations)
        reads.reservations[r[0].toString()] = {r[1].toString(), r[2].toString()};
    return reads;
}

void checkPassedOnRecord(Audit& a, const LineReads& line, const std::vector<JournalReads>& journals,
                         const std::vector<PulledBoard>& boards)
{
    Invariant& i = a.add("passed-on-record-once", "every board that passed has exactly one passed record in the line's "
                                                  "database");
    i.count = static_cast<qint64>(line.passedRuns.size());
    for (const JournalReads& j : journals) {
        for (const QVariantList& r : j.records) {
            if (r[3] != QLatin1String(words::kRun) || r[4] != QLatin1String(words::kPassed))
                continue;
            const auto there = line.revisions.find(r[0].toString());
            if (there == line.revisions.end() || there->second.second != QLatin1String(words::kPassed))
                i.breaks("the passed bring-up " + r[0].toString() + " of " + r[5].toString()
                              + " is not passed in the line's database", r[6].toString());
        }
    }
    std::map<QString, int> passedBySerial;
    for (const QVariantList& r : line.passedRuns)
        ++passedBySerial[r[0].toString()];
    for (const PulledBoard& board : boards) {
        if (board.passed && passedBySerial[board.serial] != 1)
            i.breaks(QStringLiteral("a board that passed holds %1, which has %2 passed records")
                          .arg(board.serial).arg(passedBySerial[board.serial]));
    }
}

void checkUuidsOnce(Audit& a, const LineReads& line, const std::vector<JournalReads>& journals)
{
    Invariant& i = a.add("job-uuid-once", "no job_uuid appears twice");
    i.count = line.uuids;
    for (const QVariantList& r : line.twice)
        i.breaks("the line's database holds " + r[0].toString() + " " + r[1].toString() + " times");
    std::map<QString, QString> journalOf;
    for (const JournalReads& j : journals) {
        for (const QVariantList& r : j.records) {
            const auto [at, fresh] = journalOf.emplace(r[0].toString(), j.identity);
            if (!fresh && at->second != j.identity)
                i.breaks(r[0].toString() + " is in journal " + at->second + " and in journal " + j.identity,
                       r[6].toString());
        }
    }
}

void checkDelivered(Audit& a, const LineReads& line, const std::vector<JournalReads>& journals)
{
    Invariant& i = a.add("journals-delivered", "every record in a journal reached the line's database");
    for (const JournalReads& j : journals) {
        i.count += static_cast<qint64>(j.records.size());
        for (const QVariantList& r : j.records) {
            const auto there = line.revisions.find(r[0].toString());
            if (r[2].toInt() < r[1].toInt() || there == line.revisions.end() || there->second.first < r[1].toInt())
                i.breaks("journal " + j.identity + "'s record " + r[0].toString() + " (revision "
                              + r[1].toString() + ") is not in the line's database", r[6].toString());
        }
    }
}

void checkSerialsOnce(Audit& a, const LineReads& line, const std::vector<JournalReads>& journals,
                      const std::vector<PulledBoard>& boards)
{
    Invariant& i = a.add("serial-on-one-board", "every passed board holds a serial of its own, across stations");
    std::map<QString, QString> allocated; // serial: the first record that was given it
    for (const QVariantList& r : line.passedRuns) {
        if (r[1] != QLatin1String("allocated"))
            continue;
        ++i.count;
        if (const auto [at, fresh] = allocated.emplace(r[0].toString(), r[2].toString()); !fresh)
            i.breaks(r[0].toString() + " was given to the bring-ups " + at->second + " and " + r[2].toString(),
                   r[3].toString());
    }
    std::set<QString> held;
    for (const PulledBoard& board : boards) {
        if (board.passed && !held.insert(board.serial).second)
            i.breaks("two boards that passed hold " + board.serial);
    }
    for (const JournalReads& j : journals) {
        for (const QVariantList& s : j.serials)
            if (!s[4].isNull())
                i.breaks("the line's database refused journal " + j.identity + "'s written " + s[0].toString() + ": "
                              + s[4].toString(), s[6].toString());
    }
}

void checkLeases(Audit& a, const LineReads& line, const std::vector<JournalReads>& journals)
{
    Invariant& i = a.add("leased-numbers-accounted", "every leased number is written, still leased, or given back");
    for (const JournalReads& j : journals) {
        std::set<QString> named; // the serials the journal's records name
        for (const QVariantList& r : j.records)
            named.insert(r[5].toString());
        for (const QVariantList& s : j.serials) {
            ++i.count;
            const QString serial = s[0].toString(), state = s[1].toString();
            const auto there = line.reservations.find(serial);
            if (state == QLatin1String("reserved") && !named.count(serial))
                i.breaks(serial + " is reserved in journal " + j.identity + ", and no record says for which board",
                       s[6].toString());
            else if (s[4].isNull() && s[3].toInt() < s[2].toInt())
                i.breaks(serial + "'s state in journal " + j.identity + " never reached the line's database",
                       s[6].toString());
            else if (s[4].isNull() && (there == line.reservations.end() || there->second.first != state))
                i.breaks(serial + " is " + state + " in journal " + j.identity + " but "
                              + (there == line.reservations.end() ? QStringLiteral("unknown") : there->second.first)
                              + " in the line's database", s[6].toString());
        }
    }
}

void checkLabels(Audit& a, const std::vector<JournalReads>& journals, bool labelsExpected)
{
    Invariant& once = a.add("one-label-per-passed-board", "every passed board has exactly one label, printed or still "
                                                          "held");
    Invariant& none = a.add("no-label-for-a-failed-board", "no board that did not pass has a label");
    qint64 held = 0;
    for (const JournalReads& j : journals) {
        std::map<QString, int> labels; // by bring-up
        for (const QVariantList& l : j.labels) {
            ++labels[l[0].toString()];
            if (l[2] == QLatin1String("printed"))
                ++once.count;
            else if (l[2] != QLatin1String("failed"))
                ++held;
        }
        std::map<QString, QString> results; // run records by uuid
        for (const QVariantList& r : j.records) {
            if (r[3] != QLatin1String(words::kRun))
                continue;
            results[r[0].toString()] = r[4].toString();
            const bool expected = labelsExpected || !j.labels.empty();
            if (expected && r[4] == QLatin1String(words::kPassed) && labels[r[0].toString()] != 1)
                once.breaks(QStringLiteral("the passed bring-up %1 of %2 has %3 labels")
                                 .arg(r[0].toString(), r[5].toString()).arg(labels[r[0].toString()]),
                       r[7].toString());
        }
        for (const QVariantList& l : j.labels) {
            ++none.count;
            const auto result = results.find(l[0].toString());
            if (!l[0].toString().isEmpty() && (result == results.end() || result->second != QLatin1String(words::kPassed)))
                none.breaks("the label of " + l[1].toString() + " belongs to a bring-up that did not pass");
        }
    }
    once.heldLabels = held;
}

void checkLeaseStarvation(Audit& a, const std::vector<JournalReads>& journals)
{
    Invariant& i = a.add("no-board-short-of-a-serial",
                         "no board failed for want of a serial number while its station's lease held numbers");
    for (const JournalReads& j : journals) {
        for (const QVariantList& r : j.records) {
            if (!r[8].toString().contains(kLeaseRanOut) || r[7].isNull())
                continue;
            ++i.count;
            const QString failed = r[7].toString();
            for (const QVariantList& s : j.serials) {
                const QString leased = s[5].toString();
                const bool inLease = !leased.isEmpty() && leased <= failed
                    && (s[1] == QLatin1String("leased") || s[6].toString() > failed);
                if (inLease)
                    i.breaks(r[5].toString() + " failed short of a serial at " + failed + " while " + s[0].toString()
                                  + " was leased to journal " + j.identity, failed);
            }
        }
    }
}

} // namespace

void Invariant::breaks(const QString& what, const QString& time)
{
    if (!held)
        return;
    held = false;
    broken = what;
    at = time;
}

Expected<std::vector<Invariant>, QString> audit(const AuditStores& stores)
{
    auto line = readLine(*stores.line, !stores.journals.empty());
    if (!line)
        return unexpected(line.error());
    std::vector<JournalReads> journals;
    for (RecordReader* journal : stores.journals) {
        auto read = readJournal(*journal, stores.lineDb);
        if (!read)
            return unexpected(read.error());
        journals.push_back(std::move(*read));
    }
    Audit a;
    checkPassedOnRecord(a, *line, journals, stores.boards);
    checkUuidsOnce(a, *line, journals);
    checkDelivered(a, *line, journals);
    checkSerialsOnce(a, *line, journals, stores.boards);
    checkLeases(a, *line, journals);
    checkLabels(a, journals, stores.labelsExpected);
    checkLeaseStarvation(a, journals);
    auto unaltered = checkUnaltered(*stores.line, stores.journals);
    if (!unaltered)
        return unexpected(unaltered.error());
    a.out.push_back(std::move(*unaltered));
    return a.out;
}

QString invariantTable(const std::vector<Invariant>& invariants)
{
    QString text = QStringLiteral("promise                        held  count\n");
    for (const Invariant& i : invariants) {
        text += i.name.leftJustified(31) + (i.held ? "yes   " : "NO    ") + QString::number(i.count);
        if (i.heldLabels)
            text += QStringLiteral(" (%1 labels still held)").arg(*i.heldLabels);
        if (!i.held)
            text += "\n    " + i.broken;
        text += '\n';
    }
    return text;
}

QJsonArray invariantJson(const std::vector<Invariant>& invariants)
{
    QJsonArray out;
    for (const Invariant& i : invariants) {
        QJsonObject o{{"name", i.name}, {"held", i.held}, {"count", i.count}};
        if (i.heldLabels)
            o.insert("labels_held", *i.heldLabels);
        if (!i.held)
            o.insert("broken", i.broken);
        out.append(o);
    }
    return out;
}

} // namespace auxpad
