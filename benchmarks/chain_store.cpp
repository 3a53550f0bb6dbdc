// Chains every record of a store that report_store made, as each station's journal would
// have chained it: a journal a station, each record its next entry, in the order of
// their start, the line's database keeping each entry with its row and in its chain
// table. For timing `records audit` over a year of a line (tools/perf-figures.sh).
//
//   chain_store FILE

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

#include <cstdio>
#include <map>

#include "records/chain.h"
#include "records/record_columns.h"
#include "records/record_reader.h"

namespace {

struct Link {
    qint64 id;
    QString uuid;
    QString journal;
    auxpad::ChainEntry entry;
};

int fail(const QString& why)
{
    std::fprintf(stderr, "chain_store: %s\n", why.toLocal8Bit().constData());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: chain_store FILE\n");
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);
    std::vector<Link> links;
    {
        auxpad::RecordReader store;
        if (auto opened = store.open("sqlite:" + file, auxpad::RecordReader::Opening::MustExist); !opened)
            return fail(opened.error());
        std::map<QString, std::pair<QString, qint64>> journals; // a station's: its identity, its last number
        std::map<QString, QString> lastHash;
        auto read = store.visit({}, [&](const auxpad::JobRecord& read) {
            auxpad::JobRecord r = read;
            auto& [journal, seq] = journals[r.station];
            if (journal.isEmpty()) {
                journal = QUuid::createUuidV5(QUuid(), r.station).toString(QUuid::WithoutBraces);
                lastHash[journal] = auxpad::chain::genesis(journal);
            }
            r.journal = journal;
            if (r.uuid.isEmpty())
                r.uuid = QUuid::createUuidV5(QUuid(), QString::number(r.id)).toString(QUuid::WithoutBraces);
            auxpad::ChainEntry e{journal, ++seq, auxpad::chain::kRecord, r.uuid, r.revision,
                                 auxpad::chain::sha256(auxpad::canonicalContent(r)), lastHash[journal], {}, r.started};
            e.hash = auxpad::chain::hashOf(e);
            lastHash[journal] = e.hash;
            links.push_back({r.id, r.uuid, journal, std::move(e)});
        });
        if (!read)
            return fail(read.error());
    }
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "chain");
    db.setDatabaseName(file);
    if (!db.open() || !db.transaction())
        return fail(db.lastError().text());
    QSqlQuery row(db), entry(db);
    row.prepare("UPDATE board_jobs SET job_uuid = ?, journal = ?, chain_seq = ?, content_sha256 = ? WHERE id = ?");
    entry.prepare("INSERT INTO chain (journal, seq, kind, entry_key, revision, content_sha256, prev, hash, at, "
                  "delivered) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, 1)");
    for (const Link& l : links) {
        const auxpad::ChainEntry& e = l.entry;
        for (const QVariant& v : {QVariant(l.uuid), QVariant(l.journal), QVariant(e.seq), QVariant(e.contentSha256),
                                  QVariant(l.id)})
            row.addBindValue(v);
        for (const QVariant& v : {QVariant(e.journal), QVariant(e.seq), QVariant(e.kind), QVariant(e.key),
                                  QVariant(e.revision), QVariant(e.contentSha256), QVariant(e.prev), QVariant(e.hash),
                                  QVariant(e.at)})
            entry.addBindValue(v);
        if (!row.exec())
            return fail(row.lastError().text());
        if (!entry.exec())
            return fail(entry.lastError().text());
    }
    if (!db.commit())
        return fail(db.lastError().text());
    std::printf("%zu records chained\n", links.size());
    return 0;
}
