#include "records/chain.h"

#include <QCryptographicHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <map>

#include "records/store_connection.h"
#include "records/transaction.h"

namespace auxpad {

namespace chain {

QString sha256(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

bool Sha256Check::matches(const QByteArray& bytes, const QString& sha256)
{
    hash_.reset();
    hash_.addData(bytes);
    const QByteArrayView digest = hash_.resultView();
    if (sha256.size() != digest.size() * 2)
        return false;
    static constexpr char kHex[] = "0123456789abcdef";
    for (qsizetype k = 0; k < digest.size(); ++k) {
        const auto byte = static_cast<unsigned char>(digest[k]);
        if (sha256[2 * k] != QLatin1Char(kHex[byte >> 4]) || sha256[2 * k + 1] != QLatin1Char(kHex[byte & 15]))
            return false;
    }
    return true;
}

QString genesis(const QString& journal)
{
    return sha256("auxpad-flash chain of journal " + journal.toUtf8());
}

QString hashOf(const ChainEntry& e)
{
    return sha256(QStringLiteral("%1\n%2\n%3\n%4\n%5\n%6\n%7")
                      .arg(e.journal)
                      .arg(e.seq)
                      .arg(e.kind, e.key)
                      .arg(e.revision)
                      .arg(e.contentSha256, e.prev)
                      .toUtf8());
}

} // namespace chain

namespace {

const char* const kEntryColumns = "journal, seq, kind, entry_key, revision, content_sha256, prev, hash, at";

ChainEntry readEntry(const QSqlQuery& q)
{
    return {q.value(0).toString(), q.value(1).toLongLong(), q.value(2).toString(), q.value(3).toString(),
            q.value(4).toInt(),    q.value(5).toString(),   q.value(6).toString(), q.value(7).toString(),
            q.value(8).toString()};
}

} // namespace

Expected<ChainEntry, QString> ChainTable::append(const QString& kind, const QString& key, int revision,
                                                 const QByteArray& content, const ChainEntry* after)
{
    if (journal_.isEmpty()) {
        auto identity = store_.identity();
        if (!identity)
            return unexpected(identity.error());
        journal_ = *identity;
    }
    ChainEntry e{journal_, 1, kind, key, revision, chain::sha256(content), chain::genesis(journal_), {},
                 recordTime(store_.clock())};
    if (after) {
        e.seq = after->seq + 1;
        e.prev = after->hash;
    } else {
        // The last entry: the table's key leads to it at once.
        auto last = store_.execute("SELECT seq, hash FROM chain WHERE journal = ? ORDER BY seq DESC LIMIT 1", {journal_},
                                   "written");
        if (!last)
            return unexpected(last.error());
        if ((*last)->next()) {
            e.seq = (*last)->value(0).toLongLong() + 1;
            e.prev = (*last)->value(1).toString();
        }
        (*last)->finish();
    }
    e.hash = chain::hashOf(e);
    auto added = store_.execute(
        QStringLiteral("INSERT INTO chain (%1) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)").arg(kEntryColumns),
        {e.journal, e.seq, e.kind, e.key, e.revision, e.contentSha256, e.prev, e.hash, e.at}, "written");
    if (!added)
        return unexpected(added.error());
    return e;
}

Expected<std::vector<ChainEntry>, QString> ChainTable::held(int most)
{
    auto q = store_.execute(QStringLiteral("SELECT %1 FROM chain WHERE delivered = 0 ORDER BY journal, seq LIMIT %2")
                                .arg(kEntryColumns)
                                .arg(most),
                            {}, "read");
    if (!q)
        return unexpected(q.error());
    std::vector<ChainEntry> out;
    while ((*q)->next())
        out.push_back(readEntry(**q));
    (*q)->finish();
    return out;
}

Expected<void, QString> ChainTable::markDelivered(const std::vector<ChainEntry>& entries)
{
    // A journal's entries go in the order of their numbers, so each journal's stretch is
    // one range: one statement where a row each cost a delivery dozens.
    std::map<QString, std::pair<qint64, qint64>> stretches;
    for (const ChainEntry& e : entries) {
        auto [at, fresh] = stretches.try_emplace(e.journal, e.seq, e.seq);
        at->second = {std::min(at->second.first, e.seq), std::max(at->second.second, e.seq)};
    }
    std::vector<QVariantList> rows;
    for (const auto& [journal, stretch] : stretches)
        rows.push_back({journal, stretch.first, stretch.second});
    auto marked = store_.writeEach("UPDATE chain SET delivered = 1 WHERE journal = ? AND seq BETWEEN ? AND ?", rows);
    return marked ? Expected<void, QString>() : unexpected(marked.error());
}

Expected<void, QString> ChainTable::keep(const std::vector<ChainEntry>& entries)
{
    if (entries.empty())
        return {};
    // Many entries a statement: a delivery brings hundreds, and a statement each cost more
    // than their hashes.
    constexpr std::size_t kTogether = 64;
    Transaction transaction(store_, Transaction::Kind::Exclusive);
    if (!transaction.begun())
        return transaction.begun();
    for (std::size_t from = 0; from < entries.size(); from += kTogether) {
        const std::size_t count = std::min(kTogether, entries.size() - from);
        QStringList tuples;
        for (std::size_t k = 0; k < count; ++k)
            tuples << QStringLiteral("(?, ?, ?, ?, ?, ?, ?, ?, ?, 1)");
        QSqlQuery& insert = store_.prepared(QStringLiteral("INSERT INTO chain (%1, delivered) VALUES %2 "
                                                           "ON CONFLICT (journal, seq) DO NOTHING")
                                                .arg(kEntryColumns, tuples.join(", ")));
        for (std::size_t k = from; k < from + count; ++k) {
            const ChainEntry& e = entries[k];
            for (const QVariant& v : {QVariant(e.journal), QVariant(e.seq), QVariant(e.kind), QVariant(e.key),
                                      QVariant(e.revision), QVariant(e.contentSha256), QVariant(e.prev),
                                      QVariant(e.hash), QVariant(e.at)})
                insert.addBindValue(v);
        }
        if (!insert.exec())
            return store_.fail("written", insert.lastError().text());
    }
    return transaction.commit();
}

Expected<std::vector<ChainEntry>, QString> ChainTable::all()
{
    if (!store_.isOpen())
        return store_.fail("read", "they are not open");
    QSqlQuery q(store_.database());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT %1 FROM chain ORDER BY journal, seq").arg(kEntryColumns)))
        return store_.fail("read", q.lastError().text());
    std::vector<ChainEntry> out;
    while (q.next())
        out.push_back(readEntry(q));
    return out;
}

} // namespace auxpad
